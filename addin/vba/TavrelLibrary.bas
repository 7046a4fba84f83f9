Attribute VB_Name = "TavrelLibrary"
' The only module that declares and calls Tavrel.dll. Each wrapper passes
' its arguments through unchanged: arrays by reference (the library reads
' them as SAFEARRAYs), strings by value (VBA hands them over in the system's
' ANSI code page, string arrays included), the result VARIANTs by
' reference. The library shows its own messages; a wrapper's False means
' the user has already been told why, or chose to cancel.
Option Explicit

#If VBA7 Then
Private Declare PtrSafe Function MultiReg Lib "Tavrel.dll" (ByRef dependentData() As Double, _
    ByRef dependentNames() As String, ByRef explanatoryData() As Double, ByRef explanatoryNames() As String, _
    ByVal keepCount As Long, ByVal criterion As Long) As Long
Private Declare PtrSafe Function GetProgress Lib "Tavrel.dll" (ByRef resultTable As Variant) As Long
Private Declare PtrSafe Function AbortReg Lib "Tavrel.dll" () As Long
Private Declare PtrSafe Function VarNameToId Lib "Tavrel.dll" (ByVal nameText As String, _
    ByRef names() As String, ByRef ids As Variant) As Long
Private Declare PtrSafe Function NumCast Lib "Tavrel.dll" (ByVal text As String, ByRef value As Long) As Long
#Else
Private Declare Function MultiReg Lib "Tavrel.dll" (ByRef dependentData() As Double, _
    ByRef dependentNames() As String, ByRef explanatoryData() As Double, ByRef explanatoryNames() As String, _
    ByVal keepCount As Long, ByVal criterion As Long) As Long
Private Declare Function GetProgress Lib "Tavrel.dll" (ByRef resultTable As Variant) As Long
Private Declare Function AbortReg Lib "Tavrel.dll" () As Long
Private Declare Function VarNameToId Lib "Tavrel.dll" (ByVal nameText As String, _
    ByRef names() As String, ByRef ids As Variant) As Long
Private Declare Function NumCast Lib "Tavrel.dll" (ByVal text As String, ByRef value As Long) As Long
#End If

' Starts a run; True when its worker runs.
Public Function LibraryStartRun(dependentData() As Double, dependentNames() As String, _
        explanatoryData() As Double, explanatoryNames() As String, _
        ByVal keepCount As Long, ByVal criterion As Long) As Boolean
    LibraryStartRun = (MultiReg(dependentData, dependentNames, explanatoryData, explanatoryNames, _
        keepCount, criterion) = 1)
End Function

' The run's percentage (0 to 99), after half a second's wait; -1 once the
' run has ended, with the results table in resultTable.
Public Function LibraryProgress(resultTable As Variant) As Long
    LibraryProgress = GetProgress(resultTable)
End Function

' Stops the run; no table follows.
Public Sub LibraryAbort()
    AbortReg
End Sub

' The column numbers of the names in nameText (one per line), as indices
' of names; the library asks about names given twice.
Public Function LibraryNameIds(ByVal nameText As String, names() As String, ids As Variant) As Boolean
    LibraryNameIds = (VarNameToId(nameText, names, ids) = 1)
End Function

' A whole number from 1 to 65535 typed as text.
Public Function LibraryWholeNumber(ByVal text As String, value As Long) As Boolean
    LibraryWholeNumber = (NumCast(text, value) = 1)
End Function
