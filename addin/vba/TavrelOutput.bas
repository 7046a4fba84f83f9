Attribute VB_Name = "TavrelOutput"
' Writing the library's results table into a worksheet: a free name for
' the new sheet, the line that states what was analysed, and the table
' itself with every cell kept as the text it was handed back as. No message
' boxes and no library calls here.
Option Explicit

' The name the results sheet gets when no sheet has it yet.
Public Const ResultSheetName As String = "Tavrel結果"

' The names of the criteria, by the library's codes 0, 1 and 2.
Public Function CriterionName(ByVal criterion As Long) As String
    Select Case criterion
        Case 0
            CriterionName = "残差平方和"
        Case 1
            CriterionName = "残差平均平方"
        Case Else
            CriterionName = "AIC"
    End Select
End Function

' The names of every sheet of a workbook, as an array of texts indexed
' from 1 (in a Variant, as some hosts return no typed arrays).
Public Function SheetNames(ByVal book As Object) As Variant
    Dim names() As String, i As Long, count As Long
    count = book.Sheets.Count
    ReDim names(1 To count)
    For i = 1 To count
        names(i) = book.Sheets(i).Name
    Next
    SheetNames = names
End Function

' baseName, or else baseName (2), baseName (3) ... whichever is first not
' among taken. Sheet names are compared as the spreadsheet compares them,
' without regard to case.
Public Function FreeSheetName(taken() As String, ByVal baseName As String) As String
    Dim candidate As String, number As Long
    candidate = baseName
    number = 1
    Do While NameTaken(taken, candidate)
        number = number + 1
        candidate = baseName & " (" & number & ")"
    Loop
    FreeSheetName = candidate
End Function

Private Function NameTaken(taken() As String, ByVal candidate As String) As Boolean
    Dim i As Long
    For i = LBound(taken) To UBound(taken)
        If StrComp(taken(i), candidate, vbTextCompare) = 0 Then
            NameTaken = True
            Exit Function
        End If
    Next
    NameTaken = False
End Function

' The line above the table: where the data came from and the two options.
Public Function AnalysisNote(ByVal dataAddress As String, ByVal criterion As Long, ByVal keepCount As Long) As String
    AnalysisNote = "データ: " & dataAddress & "　基準: " & CriterionName(criterion) & _
        "　モデル数: " & CStr(keepCount)
End Function

' Writes the table (a two-dimensional array of texts) with its first cell
' at topLeft and returns the range it fills. The cells are formatted as
' text before the texts go in, so that 0.50000, "0.56774**" and "-" stay
' exactly as handed back instead of becoming numbers or formulas; cells
' with a line break wrap, and the columns fit their contents.
Public Function WriteTable(ByVal topLeft As Object, table As Variant) As Object
    Dim rows As Long, columns As Long, target As Object, i As Long, j As Long
    rows = UBound(table, 1) - LBound(table, 1) + 1
    columns = UBound(table, 2) - LBound(table, 2) + 1
    Set target = topLeft.Resize(rows, columns)
    target.NumberFormat = "@"
    target.Value = table
    For i = 1 To rows
        For j = 1 To columns
            If InStr(table(LBound(table, 1) + i - 1, LBound(table, 2) + j - 1), vbLf) > 0 Then
                target.Cells(i, j).WrapText = True
            End If
        Next
    Next
    target.Columns.AutoFit
    Set WriteTable = target
End Function
