Attribute VB_Name = "TavrelRibbon"
' The ribbon's callback: the button on the Tavrel tab (customUI14.xml,
' onAction="TavrelRibbonAnalyze"). The control is typed As Object, so the
' project needs no reference to the Office library.
Option Explicit

Public Sub TavrelRibbonAnalyze(control As Object)
    RunAnalysis
End Sub
