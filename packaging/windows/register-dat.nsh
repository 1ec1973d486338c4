; Opens programming files (.dat) in the program: registers its file type, lists it in the
; "Open with" choices of .dat and makes it the default for .dat unless another program holds it.
WriteRegStr SHCTX "Software\Classes\ZorlaVelmarTicket.ProgrammingFile" "" "ZorlaVelmarTicket programming file"
WriteRegStr SHCTX "Software\Classes\ZorlaVelmarTicket.ProgrammingFile\DefaultIcon" "" "$INSTDIR\zvticket.exe,0"
WriteRegStr SHCTX "Software\Classes\ZorlaVelmarTicket.ProgrammingFile\shell\open\command" "" '"$INSTDIR\zvticket.exe" "%1"'
WriteRegStr SHCTX "Software\Classes\.dat\OpenWithProgids" "ZorlaVelmarTicket.ProgrammingFile" ""
ReadRegStr $0 SHCTX "Software\Classes\.dat" ""
StrCmp $0 "" 0 +2
WriteRegStr SHCTX "Software\Classes\.dat" "" "ZorlaVelmarTicket.ProgrammingFile"
; SHCNE_ASSOCCHANGED: Explorer picks up the new association at once.
System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
