Attribute VB_Name = "TavrelAddinTests"
' Checks of the add-in's modules that need no library: run on real cells of
' a spreadsheet by tests/addin/vba_runtime_test.py. RunAll returns one line
' per check, "PASS name" or "FAIL name: what was seen".
Option Explicit

Private report As String

Private Sub Check(ByVal name As String, ByVal condition As Boolean, Optional ByVal seen As String = "")
    If condition Then
        report = report & "PASS " & name & vbLf
    Else
        report = report & "FAIL " & name & ": " & seen & vbLf
    End If
End Sub

Private Sub CheckText(ByVal name As String, ByVal actual As String, ByVal expected As String)
    Check name, actual = expected, "[" & actual & "] instead of [" & expected & "]"
End Sub

Public Function RunAll() As String
    report = ""
    On Error GoTo Broken
    CheckNameHelpers
    CheckHeaderNames
    CheckReadColumns
    CheckRefusedCells
    CheckSelectedNames
    CheckColumnChoices
    CheckFreeSheetNames
    CheckWriteTable
    CheckNote
    RunAll = report
    Exit Function
Broken:
    RunAll = report & "FAIL unexpected error " & Err.Number & ": " & Err.Description & vbLf
End Function

Private Function Sheet() As Object
    Set Sheet = ActiveWorkbook.Worksheets(1)
End Function

Private Sub CheckNameHelpers()
    CheckText "column letters A", ColumnLetters(1), "A"
    CheckText "column letters Z", ColumnLetters(26), "Z"
    CheckText "column letters AA", ColumnLetters(27), "AA"
    CheckText "column letters XFD", ColumnLetters(16384), "XFD"
    CheckText "cell address", CellAddress(5, 3), "C5"
    Check "#### is a narrow column, not an error", Not ShowsErrorValue("####")
    Check "#N/A is an error", ShowsErrorValue("#N/A")
    Check "#DIV/0! is an error", ShowsErrorValue("#DIV/0!")
    Check "Err:502 is an error", ShowsErrorValue("Err:502")
    Check "a number is no error", Not ShowsErrorValue("0")
    CheckText "fold a-z only", FoldName("aBz" & ChrW(&HFF43)), "ABZ" & ChrW(&HFF43)
    CheckText "trim tab, space, line ends", TrimName(vbTab & " x y " & vbCr & vbLf), "x y"
    CheckText "full-width space stays", TrimName(ChrW(&H3000) & "x"), ChrW(&H3000) & "x"
End Sub

' A data block in A1:D6: header y, x1, x2, 体重 (padded with spaces), five
' observations with zeros and negative numbers among them.
Private Sub FillData()
    Dim s As Object, r As Long
    Set s = Sheet()
    s.Range("A1:Z40").ClearContents
    s.Range("A1").Value = "y"
    s.Range("B1").Value = " x1 "
    s.Range("C1").Value = "x2"
    s.Range("D1").Value = "体重"
    For r = 2 To 6
        s.Cells(r, 1).Value = r * 1.5
        s.Cells(r, 2).Value = r - 4
        s.Cells(r, 3).Value = (r Mod 2) * 10
        s.Cells(r, 4).Value = 50 + r / 4
    Next
End Sub

Private Sub CheckHeaderNames()
    Dim names() As String, problem As String, s As Object
    FillData
    Set s = Sheet()
    problem = ReadHeaderNames(s.Range("A1:D6"), names)
    CheckText "header read", problem, ""
    Check "header count", UBound(names) = 4 And LBound(names) = 1, CStr(UBound(names))
    CheckText "header trimmed", names(2), "x1"
    CheckText "header japanese", names(4), "体重"

    s.Range("D1").Value = 2020
    problem = ReadHeaderNames(s.Range("A1:D6"), names)
    CheckText "number as a name", names(4), "2020"

    s.Range("G1").Value = "a"
    s.Range("I1").Value = "b"
    CheckText "empty header refused", ReadHeaderNames(s.Range("G1:I3"), names), "変数名のセル H1 が空です。"
    s.Range("H1").Value = "A"
    CheckText "names equal after folding refused", ReadHeaderNames(s.Range("G1:I3"), names), _
        "変数名「A」が G1 と H1 にあります。"
    s.Range("H1").Value = "c" & vbLf & "d"
    CheckText "header with a line break refused", ReadHeaderNames(s.Range("G1:I3"), names), _
        "変数名のセル H1 に改行が含まれています。"
End Sub

Private Sub CheckReadColumns()
    Dim values() As Double, problem As String, r As Long, same As Boolean
    Dim chosen(1 To 2) As Long
    FillData
    chosen(1) = 4
    chosen(2) = 2
    problem = ReadColumns(Sheet().Range("A1:D6"), chosen, values)
    CheckText "numbers read", problem, ""
    Check "values shape", UBound(values, 1) = 5 And UBound(values, 2) = 2, UBound(values, 1) & "x" & UBound(values, 2)
    same = True
    For r = 1 To 5
        If values(r, 1) <> 50 + (r + 1) / 4 Then same = False
        If values(r, 2) <> (r + 1) - 4 Then same = False
    Next
    Check "values in the chosen order, zeros and negatives kept", same
End Sub

Private Sub CheckRefusedCells()
    Dim values() As Double, s As Object
    Dim all(1 To 4) As Long, firstTwo(1 To 2) As Long
    all(1) = 1: all(2) = 2: all(3) = 3: all(4) = 4
    firstTwo(1) = 1: firstTwo(2) = 2
    Set s = Sheet()

    FillData
    s.Range("C4").Value = "abc"
    CheckText "text refused", ReadColumns(s.Range("A1:D6"), all, values), "セル C4 は数値ではありません（文字列）。"
    CheckText "unused column not checked", ReadColumns(s.Range("A1:D6"), firstTwo, values), ""

    FillData
    s.Range("B5").ClearContents
    CheckText "empty refused", ReadColumns(s.Range("A1:D6"), all, values), "セル B5 が空です。"

    FillData
    s.Range("D3").Formula = "=1/0"
    CheckText "error value refused", ReadColumns(s.Range("A1:D6"), all, values), "セル D3 はエラー値です。"

    FillData
    s.Range("A6").Formula = "=NA()"
    CheckText "#N/A refused", ReadColumns(s.Range("A1:D6"), all, values), "セル A6 はエラー値です。"

    FillData
    s.Range("B3").Value = True
    CheckText "logical value refused", ReadColumns(s.Range("A1:D6"), all, values), "セル B3 は数値ではありません（論理値）。"

    ' A block that does not start in A1: addresses count from its corner.
    FillData
    s.Range("F10:G10").Value = Array("p", "q")
    s.Range("F11:G11").Value = Array(1, 2)
    s.Range("F12").Value = 3
    CheckText "address of an offset block", ReadColumns(s.Range("F10:G12"), firstTwo, values), "セル G12 が空です。"
End Sub

Private Sub CheckSelectedNames()
    Dim names() As String, s As Object
    FillData
    Set s = Sheet()
    ReadHeaderNames s.Range("A1:D6"), names
    CheckText "areas in order", SelectedNameText(s.Range("B1:C1,A1"), s.Range("A1:D6"), names), _
        "x1" & vbLf & "x2" & vbLf & "y"
    CheckText "column below the header", SelectedNameText(s.Range("D1:D30"), s.Range("A1:D6"), names), "体重"
    CheckText "only the range's columns", SelectedNameText(s.Range("C1:H1"), s.Range("A1:D6"), names), _
        "x2" & vbLf & "体重"
    CheckText "cells below the header name nothing", SelectedNameText(s.Range("A3:C5"), s.Range("A1:D6"), names), ""
End Sub

Private Sub CheckColumnChoices()
    Dim others() As Long, names() As String, picked() As String
    Dim dependents(1 To 1) As Long
    dependents(1) = 2
    others = OtherColumns(4, dependents)
    Check "every other column", UBound(others) = 3 And others(1) = 1 And others(2) = 3 And others(3) = 4, _
        CStr(UBound(others))
    Dim every(1 To 2) As Long
    every(1) = 1: every(2) = 2
    others = OtherColumns(2, every)
    Check "no column left", UBound(others) = 0
    ReDim names(1 To 3)
    names(1) = "a": names(2) = "b": names(3) = "c"
    picked = NamesOf(names, dependents)
    Check "names of columns", UBound(picked) = 1 And picked(1) = "b"
    Check "contains", ContainsColumn(dependents, 2) And Not ContainsColumn(dependents, 3)
End Sub

Private Sub CheckFreeSheetNames()
    Dim taken() As String
    ReDim taken(1 To 1)
    taken(1) = "Sheet1"
    CheckText "free name", FreeSheetName(taken, ResultSheetName), "Tavrel結果"
    taken(1) = "Tavrel結果"
    CheckText "second name", FreeSheetName(taken, ResultSheetName), "Tavrel結果 (2)"
    ReDim taken(1 To 3)
    taken(1) = "TAVREL結果": taken(2) = "Tavrel結果 (2)": taken(3) = "x"
    CheckText "names compared without case", FreeSheetName(taken, ResultSheetName), "Tavrel結果 (3)"

    ' The real workbook: the harness has added a sheet named Tavrel結果.
    taken = SheetNames(ActiveWorkbook)
    Check "sheet names read", UBound(taken) = ActiveWorkbook.Sheets.Count, CStr(UBound(taken))
    CheckText "free name in the workbook", FreeSheetName(taken, ResultSheetName), "Tavrel結果 (2)"
End Sub

Private Sub CheckWriteTable()
    Dim table(1 To 5, 1 To 4) As String, target As Object, written As Object, i As Long, j As Long
    Dim same As Boolean, seen As String
    table(1, 1) = ChrW(&H3000) & "従属変数: y"
    table(2, 1) = "x1": table(2, 2) = "決定係数": table(2, 3) = "調整済み" & vbLf & "決定係数": table(2, 4) = "AIC"
    table(3, 1) = "0.56774**": table(3, 2) = "0.98234**": table(3, 3) = "0.50000": table(3, 4) = "-24.97388"
    table(4, 1) = "-": table(4, 2) = "0.60000": table(4, 3) = "-": table(4, 4) = "1.00000"
    table(5, 1) = ChrW(&H3000) & "N=13 **p<.01 *p<.05"
    ' The harness has added this sheet; the table goes below a note line.
    Set target = ActiveWorkbook.Worksheets("Tavrel結果").Range("A3")
    Set written = WriteTable(target, table)
    CheckText "written range", written.Address, "$A$3:$D$7"
    same = True
    For i = 1 To 5
        For j = 1 To 4
            If CStr(written.Cells(i, j).Value) <> table(i, j) Then
                same = False
                seen = seen & " (" & i & "," & j & ")=[" & written.Cells(i, j).Value & "]"
            End If
        Next
    Next
    Check "every cell as handed back", same, seen
    Check "numbers stay text", VarType(written.Cells(3, 3).Value) = vbString, CStr(VarType(written.Cells(3, 3).Value))
    Check "marks kept", written.Cells(3, 1).Value = "0.56774**"
    Check "hyphen kept", written.Cells(4, 1).Value = "-"
    Check "line feed kept", InStr(written.Cells(2, 3).Value, vbLf) = 5
    Check "line feed cell wraps", written.Cells(2, 3).WrapText = True
    Check "other cells do not wrap", written.Cells(2, 2).WrapText = False
    CheckText "text format", written.Cells(3, 3).NumberFormat, "@"
    Check "empty cells stay empty", IsEmpty(written.Cells(5, 2).Value)
End Sub

Private Sub CheckNote()
    CheckText "criterion names", CriterionName(0) & "," & CriterionName(1) & "," & CriterionName(2), _
        "残差平方和,残差平均平方,AIC"
    CheckText "note line", AnalysisNote("Sheet1!$A$1:$D$6", 2, 10), _
        "データ: Sheet1!$A$1:$D$6　基準: AIC　モデル数: 10"
End Sub
