Attribute VB_Name = "TavrelAnalysis"
' The analysis the ribbon's button starts: asks for the data range, the
' dependent and the explanatory variables, the number of models to keep
' and the ranking criterion; checks every cell it will send; runs the
' library with the progress in the status bar (Esc stops it); and writes
' the table into a new worksheet. Every way out restores Excel's settings.
Option Explicit

Private Const Caption As String = "Tavrel"
Private Const DefaultKeepCount As String = "10"

' Excel's settings that an analysis changes, as they were before it.
Private Type SavedSettings
    statusBar As Variant
    displayStatusBar As Boolean
    cursor As Long
    enableCancelKey As Long
End Type

' What the user chose.
Private Type Choices
    dataRange As Range
    names() As String
    dependents As Variant
    explanatory As Variant
    keepCount As Long
    criterion As Long
End Type

Public Sub RunAnalysis()
    Dim saved As SavedSettings, chosen As Choices, running As Boolean
    Dim dependentData() As Double, explanatoryData() As Double, table As Variant, problem As String
    Dim dependentNames() As String, explanatoryNames() As String, percent As Long
    saved = SaveSettings()
    On Error GoTo Failed
    If Not AskChoices(chosen) Then GoTo Finish

    problem = ReadColumns(chosen.dataRange, chosen.dependents, dependentData)
    If Len(problem) = 0 Then problem = ReadColumns(chosen.dataRange, chosen.explanatory, explanatoryData)
    If Len(problem) > 0 Then
        MsgBox problem & vbLf & "数値だけの範囲を選んでください。", vbExclamation, Caption
        GoTo Finish
    End If

    Application.Cursor = xlWait
    Application.DisplayStatusBar = True
    Application.StatusBar = "Tavrel: 分析を始めています…"
    dependentNames = NamesOf(chosen.names, chosen.dependents)
    explanatoryNames = NamesOf(chosen.names, chosen.explanatory)
    If Not LibraryStartRun(dependentData, dependentNames, explanatoryData, explanatoryNames, _
            chosen.keepCount, chosen.criterion) Then GoTo Finish
    running = True
    Application.EnableCancelKey = xlErrorHandler
    Do
        percent = LibraryProgress(table)
        If percent < 0 Then Exit Do
        Application.StatusBar = "Tavrel: 分析中 " & percent & "%（Esc キーで中止）"
        DoEvents
    Loop
    running = False
    Application.EnableCancelKey = xlDisabled

    If Not IsArray(table) Then
        MsgBox "分析の結果を受け取れませんでした。", vbCritical, Caption
        GoTo Finish
    End If
    WriteResultSheet chosen, table

Finish:
    RestoreSettings saved
    Exit Sub

Failed:
    Application.EnableCancelKey = xlDisabled
    If running Then
        running = False
        LibraryAbort
    End If
    If Err.Number = 18 Then
        MsgBox "分析を中止しました。", vbInformation, Caption
    Else
        MsgBox "分析を続けられませんでした: " & Err.Description, vbCritical, Caption
    End If
    Resume Finish
End Sub

Private Function SaveSettings() As SavedSettings
    SaveSettings.statusBar = Application.StatusBar
    SaveSettings.displayStatusBar = Application.DisplayStatusBar
    SaveSettings.cursor = Application.Cursor
    SaveSettings.enableCancelKey = Application.EnableCancelKey
End Function

Private Sub RestoreSettings(saved As SavedSettings)
    On Error Resume Next
    Application.EnableCancelKey = saved.enableCancelKey
    Application.Cursor = saved.cursor
    Application.StatusBar = saved.statusBar
    Application.DisplayStatusBar = saved.displayStatusBar
End Sub

' The dialogs, in order. False when the user cancels or a choice cannot be
' used (after saying why).
Private Function AskChoices(chosen As Choices) As Boolean
    Dim problem As String, picked As Range, nameText As String
    AskChoices = False

    Set chosen.dataRange = AskRange("データの範囲を選んでください。" & vbLf & _
        "1 行目は変数名、2 行目から下は観測値です。", ProposedDataAddress())
    If chosen.dataRange Is Nothing Then Exit Function
    ' Whole columns or rows stop at the last used cell.
    Set chosen.dataRange = Application.Intersect(chosen.dataRange, chosen.dataRange.Worksheet.UsedRange)
    If chosen.dataRange Is Nothing Then
        MsgBox "選んだ範囲にデータがありません。", vbExclamation, Caption
        Exit Function
    End If
    If chosen.dataRange.Areas.Count > 1 Or chosen.dataRange.Rows.Count < 2 Or chosen.dataRange.Columns.Count < 2 Then
        MsgBox "変数名の行と観測値の行を含む、2 列以上のひと続きの範囲を選んでください。", vbExclamation, Caption
        Exit Function
    End If
    problem = ReadHeaderNames(chosen.dataRange, chosen.names)
    If Len(problem) > 0 Then
        MsgBox problem, vbExclamation, Caption
        Exit Function
    End If

    Do
        Set picked = AskRange("従属変数の変数名のセルを選んでください（複数可）。", "")
        If picked Is Nothing Then Exit Function
        nameText = SelectedNameText(picked, chosen.dataRange, chosen.names)
        If Len(nameText) > 0 Then Exit Do
        MsgBox "データの範囲の 1 行目（変数名）のセルを選んでください。", vbExclamation, Caption
    Loop
    If Not LibraryNameIds(nameText, chosen.names, chosen.dependents) Then Exit Function

    Set picked = AskRange("説明変数の変数名のセルを選んでください。" & vbLf & _
        "キャンセルすると、従属変数以外のすべての列を説明変数にします。", "")
    nameText = ""
    If Not picked Is Nothing Then nameText = SelectedNameText(picked, chosen.dataRange, chosen.names)
    If Len(nameText) = 0 Then
        chosen.explanatory = OtherColumns(UBound(chosen.names), chosen.dependents)
        If UBound(chosen.explanatory) = 0 Then
            MsgBox "説明変数にする列がありません。", vbExclamation, Caption
            Exit Function
        End If
    ElseIf Not LibraryNameIds(nameText, chosen.names, chosen.explanatory) Then
        Exit Function
    End If
    Dim i As Long
    For i = LBound(chosen.explanatory) To UBound(chosen.explanatory)
        If ContainsColumn(chosen.dependents, chosen.explanatory(i)) Then
            MsgBox "「" & chosen.names(chosen.explanatory(i)) & "」が従属変数と説明変数の両方に選ばれています。", _
                vbExclamation, Caption
            Exit Function
        End If
    Next

    If Not AskKeepCount(chosen.keepCount) Then Exit Function
    If Not AskCriterion(chosen.criterion) Then Exit Function
    AskChoices = True
End Function

' The current region of the selected cell, or the selection itself when it
' is more than one cell; "" when no cells are selected.
Private Function ProposedDataAddress() As String
    ProposedDataAddress = ""
    If TypeName(Selection) <> "Range" Then Exit Function
    If Selection.Cells.CountLarge = 1 Then
        ProposedDataAddress = Selection.CurrentRegion.Address
    Else
        ProposedDataAddress = Selection.Address
    End If
End Function

' A range picked with Excel's range dialog, or Nothing on Cancel.
Private Function AskRange(ByVal prompt As String, ByVal proposed As String) As Range
    Dim picked As Range
    On Error Resume Next
    If Len(proposed) > 0 Then
        Set picked = Application.InputBox(prompt, Caption, proposed, Type:=8)
    Else
        Set picked = Application.InputBox(prompt, Caption, Type:=8)
    End If
    On Error GoTo 0
    Set AskRange = picked
End Function

' The number of models to keep, checked by the library's own rule.
Private Function AskKeepCount(keepCount As Long) As Boolean
    Dim answer As Variant
    Do
        answer = Application.InputBox("従属変数ごとに残すモデルの数（1～65535）を入力してください。", _
            Caption, DefaultKeepCount, Type:=2)
        If VarType(answer) = vbBoolean Then
            AskKeepCount = False
            Exit Function
        End If
        If LibraryWholeNumber(CStr(answer), keepCount) Then Exit Do
    Loop
    AskKeepCount = True
End Function

' The ranking criterion as the library's code: 0 残差平方和, 1 残差平均平方, 2 AIC.
Private Function AskCriterion(criterion As Long) As Boolean
    Dim answer As Variant
    Do
        answer = Application.InputBox("モデルを順位付ける基準の番号を入力してください。" & vbLf & _
            "1: " & CriterionName(0) & vbLf & "2: " & CriterionName(1) & vbLf & "3: " & CriterionName(2), _
            Caption, 3, Type:=1)
        If VarType(answer) = vbBoolean Then
            AskCriterion = False
            Exit Function
        End If
        If answer = 1 Or answer = 2 Or answer = 3 Then Exit Do
        MsgBox "1、2、3 のいずれかを入力してください。", vbExclamation, Caption
    Loop
    criterion = CLng(answer) - 1
    AskCriterion = True
End Function

' A new worksheet at the end of the data's workbook, under a free name,
' with the note line in A1 and the table from A3.
Private Sub WriteResultSheet(chosen As Choices, table As Variant)
    Dim book As Workbook, sheet As Worksheet, taken() As String
    Set book = chosen.dataRange.Worksheet.Parent
    Application.StatusBar = "Tavrel: 結果を書き出しています…"
    Set sheet = book.Worksheets.Add(After:=book.Sheets(book.Sheets.Count))
    taken = SheetNames(book)
    sheet.Name = FreeSheetName(taken, ResultSheetName)
    sheet.Range("A1").Value = AnalysisNote(chosen.dataRange.Address(External:=True), chosen.criterion, chosen.keepCount)
    WriteTable sheet.Range("A3"), table
    Application.Goto sheet.Range("A1")
End Sub
