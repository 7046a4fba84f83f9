Attribute VB_Name = "TavrelData"
' Reading the user's data range: the names in its header row, the names of
' the header cells a selection touches, and the chosen columns as numbers.
' Every function here takes ranges or arrays and returns values or the text
' of a problem; none shows a message or calls the library, so they run
' unchanged under any host that has ranges.
Option Explicit

' The values of a block of cells as a two-dimensional array indexed from 1,
' a single cell included. Value2 gives currency and date cells as the plain
' numbers they hold (Value would round currency to four decimals); a host
' without Value2 gives Value.
Public Function BlockValues(ByVal block As Object) As Variant
    Dim values As Variant
    On Error Resume Next
    values = block.Value2
    If Err.Number <> 0 Then
        Err.Clear
        values = block.Value
    End If
    On Error GoTo 0
    If IsArray(values) Then
        BlockValues = values
    Else
        Dim one(1 To 1, 1 To 1) As Variant
        one(1, 1) = values
        BlockValues = one
    End If
End Function

' The column letters of a column number: 1 is A, 27 is AA, 16384 is XFD.
Public Function ColumnLetters(ByVal column As Long) As String
    Dim letters As String
    Do While column > 0
        letters = Chr(Asc("A") + (column - 1) Mod 26) & letters
        column = (column - 1) \ 26
    Loop
    ColumnLetters = letters
End Function

' A cell's address as the user reads it, such as C5.
Public Function CellAddress(ByVal row As Long, ByVal column As Long) As String
    CellAddress = ColumnLetters(column) & CStr(row)
End Function

' Whether the text a cell shows is one of the spreadsheet's error values
' (#N/A, #DIV/0!, Err:502 ...). A column too narrow for its number shows
' only # characters, which is no error.
Public Function ShowsErrorValue(ByVal shown As String) As Boolean
    If Left(shown, 4) = "Err:" Then
        ShowsErrorValue = True
    ElseIf Left(shown, 1) = "#" Then
        ShowsErrorValue = (shown <> String(Len(shown), "#"))
    Else
        ShowsErrorValue = False
    End If
End Function

' Why the value of cell (row, column) of block cannot be used as a number,
' or "" when it can. Some hosts read an error value as the number 0, so a 0
' is checked against the text the cell shows; no other value touches the
' cell itself, which keeps large ranges fast.
Public Function CellProblem(ByVal value As Variant, ByVal block As Object, ByVal row As Long, ByVal column As Long) As String
    Select Case VarType(value)
        Case vbEmpty
            CellProblem = "が空です。"
        Case vbError
            CellProblem = "はエラー値です。"
        Case vbString
            If Len(value) = 0 Then
                CellProblem = "が空です。"
            Else
                CellProblem = "は数値ではありません（文字列）。"
            End If
        Case vbBoolean
            CellProblem = "は数値ではありません（論理値）。"
        Case vbDouble, vbCurrency, vbDate, vbInteger, vbLong, vbSingle, vbByte, vbDecimal
            CellProblem = ""
            If value = 0 Then
                If ShowsErrorValue(block.Cells(row, column).Text) Then CellProblem = "はエラー値です。"
            End If
        Case Else
            CellProblem = "は数値ではありません。"
    End Select
End Function

' A name as the library compares names: a-z upper-cased, nothing else.
Public Function FoldName(ByVal name As String) As String
    Dim i As Long, code As Long, folded As String
    folded = name
    For i = 1 To Len(folded)
        code = AscW(Mid(folded, i, 1))
        If code >= 97 And code <= 122 Then Mid(folded, i, 1) = ChrW(code - 32)
    Next
    FoldName = folded
End Function

' A name without the white space (tab, line ends, space) at its ends, the
' characters the library trims from the names it is given.
Public Function TrimName(ByVal name As String) As String
    Dim first As Long, last As Long
    first = 1
    last = Len(name)
    Do While first <= last
        If Not IsNameSpace(Mid(name, first, 1)) Then Exit Do
        first = first + 1
    Loop
    Do While last >= first
        If Not IsNameSpace(Mid(name, last, 1)) Then Exit Do
        last = last - 1
    Loop
    TrimName = Mid(name, first, last - first + 1)
End Function

Private Function IsNameSpace(ByVal character As String) As Boolean
    Dim code As Long
    code = AscW(character)
    IsNameSpace = (code = 32 Or (code >= 9 And code <= 13))
End Function

' The names in the data range's first row, trimmed, into names(1 To
' columns). Returns "" or the problem: a header cell that is empty, an
' error value or holds a line break, or two names that the library could
' not tell apart.
Public Function ReadHeaderNames(ByVal dataRange As Object, names() As String) As String
    Dim values As Variant, count As Long, j As Long, k As Long, address As String
    count = dataRange.Columns.Count
    values = BlockValues(dataRange.Rows(1))
    ReDim names(1 To count)
    For j = 1 To count
        address = CellAddress(dataRange.Row, dataRange.Column + j - 1)
        Select Case VarType(values(1, j))
            Case vbEmpty
                ReadHeaderNames = "変数名のセル " & address & " が空です。"
                Exit Function
            Case vbError
                ReadHeaderNames = "変数名のセル " & address & " はエラー値です。"
                Exit Function
        End Select
        ' A number or a date names its column as the cell shows it.
        If VarType(values(1, j)) = vbString Then
            names(j) = TrimName(values(1, j))
        Else
            names(j) = TrimName(dataRange.Cells(1, j).Text)
        End If
        If Len(names(j)) = 0 Then
            ReadHeaderNames = "変数名のセル " & address & " が空です。"
            Exit Function
        End If
        If InStr(names(j), vbLf) > 0 Or InStr(names(j), vbCr) > 0 Then
            ReadHeaderNames = "変数名のセル " & address & " に改行が含まれています。"
            Exit Function
        End If
        For k = 1 To j - 1
            If FoldName(names(k)) = FoldName(names(j)) Then
                ReadHeaderNames = "変数名「" & names(j) & "」が " & _
                    CellAddress(dataRange.Row, dataRange.Column + k - 1) & " と " & address & " にあります。"
                Exit Function
            End If
        Next
    Next
    ReadHeaderNames = ""
End Function

' The names of the header cells that the selection touches, one per line,
' in the order of the selection's areas and from left to right within an
' area; "" when it touches none. A selection on another sheet touches none.
Public Function SelectedNameText(ByVal selection As Object, ByVal dataRange As Object, names() As String) As String
    Dim text As String, i As Long, area As Object, column As Long
    Dim headerRow As Long, firstColumn As Long, lastColumn As Long
    headerRow = dataRange.Row
    firstColumn = dataRange.Column
    lastColumn = firstColumn + dataRange.Columns.Count - 1
    For i = 1 To selection.Areas.Count
        Set area = selection.Areas(i)
        If area.Worksheet.Name = dataRange.Worksheet.Name And area.Row <= headerRow And _
           headerRow <= area.Row + area.Rows.Count - 1 Then
            For column = MaxLong(area.Column, firstColumn) To MinLong(area.Column + area.Columns.Count - 1, lastColumn)
                If Len(text) > 0 Then text = text & vbLf
                text = text & names(column - firstColumn + 1)
            Next
        End If
    Next
    SelectedNameText = text
End Function

Private Function MaxLong(ByVal a As Long, ByVal b As Long) As Long
    If a > b Then MaxLong = a Else MaxLong = b
End Function

Private Function MinLong(ByVal a As Long, ByVal b As Long) As Long
    If a < b Then MinLong = a Else MinLong = b
End Function

' The column numbers from 1 to count that are not among chosen (an array
' of column numbers), in ascending order; an empty array (upper bound 0)
' when every column is chosen. An array of Longs in a Variant.
Public Function OtherColumns(ByVal count As Long, chosen As Variant) As Variant
    Dim others() As Long, n As Long, column As Long
    ReDim others(1 To count)
    For column = 1 To count
        If Not ContainsColumn(chosen, column) Then
            n = n + 1
            others(n) = column
        End If
    Next
    If n = 0 Then
        ReDim others(0 To 0)
    Else
        ReDim Preserve others(1 To n)
    End If
    OtherColumns = others
End Function

Public Function ContainsColumn(chosen As Variant, ByVal column As Long) As Boolean
    Dim i As Long
    For i = LBound(chosen) To UBound(chosen)
        If chosen(i) = column Then
            ContainsColumn = True
            Exit Function
        End If
    Next
    ContainsColumn = False
End Function

' The names of the given columns, as an array of texts indexed from 1 (in
' a Variant, as some hosts return no typed arrays).
Public Function NamesOf(names() As String, columns As Variant) As Variant
    Dim picked() As String, i As Long, n As Long
    ReDim picked(1 To UBound(columns) - LBound(columns) + 1)
    For i = LBound(columns) To UBound(columns)
        n = n + 1
        picked(n) = names(columns(i))
    Next
    NamesOf = picked
End Function

' The observations (every row below the header) of the given columns into
' values(1 To rows, 1 To columns), column by column in the order given.
' Returns "" or the problem of the first cell that is not a number, naming
' its address: nothing is sent to the library then.
Public Function ReadColumns(ByVal dataRange As Object, columns As Variant, values() As Double) As String
    Dim block As Object, cells As Variant, rows As Long, count As Long
    Dim i As Long, r As Long, c As Long, n As Long, problem As String
    rows = dataRange.Rows.Count - 1
    count = UBound(columns) - LBound(columns) + 1
    Set block = dataRange.Offset(1, 0).Resize(rows, dataRange.Columns.Count)
    cells = BlockValues(block)
    ReDim values(1 To rows, 1 To count)
    For i = LBound(columns) To UBound(columns)
        n = n + 1
        c = columns(i)
        For r = 1 To rows
            problem = CellProblem(cells(r, c), block, r, c)
            If Len(problem) > 0 Then
                ReadColumns = "セル " & CellAddress(block.Row + r - 1, block.Column + c - 1) & " " & problem
                Exit Function
            End If
            values(r, n) = CDbl(cells(r, c))
        Next
    Next
    ReadColumns = ""
End Function
