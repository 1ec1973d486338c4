; Undoes register-dat.nsh: .dat keeps whatever another program registered for it.
ReadRegStr $0 SHCTX "Software\Classes\.dat" ""
StrCmp $0 "ZorlaVelmarTicket.ProgrammingFile" 0 +2
DeleteRegValue SHCTX "Software\Classes\.dat" ""
DeleteRegValue SHCTX "Software\Classes\.dat\OpenWithProgids" "ZorlaVelmarTicket.ProgrammingFile"
DeleteRegKey /ifempty SHCTX "Software\Classes\.dat\OpenWithProgids"
DeleteRegKey /ifempty SHCTX "Software\Classes\.dat"
DeleteRegKey SHCTX "Software\Classes\ZorlaVelmarTicket.ProgrammingFile"
System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
