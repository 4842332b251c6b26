REM the working directory: CWD, DIR( and DSK(
INVOKE "rm -rf t_cwd; mkdir -p t_cwd/sub"
HOME$=LWD
PRINT DIR()=HOME$+"/",DIR("C")=DIR(),"[",DSK(),"]","[",DSK(3),"]"
CWD "t_cwd/"
PRINT DIR()=HOME$+"/t_cwd/",LWD=HOME$+"/t_cwd"
CWD "sub"; PRINT DIR()=HOME$+"/t_cwd/sub/"
CWD ".."; PRINT DIR()=HOME$+"/t_cwd/"
REM a directory that cannot be entered changes nothing
CWD "no_such_dir"
PRINT DIR()=HOME$+"/t_cwd/",RET-256
10 CWD "no_such_dir",ERR=30
20 STOP
30 PRINT "ERR=",ERR,DIR()=HOME$+"/t_cwd/"
RUN
CWD "/"; PRINT DIR()
CWD HOME$; PRINT DIR()=HOME$+"/"
INVOKE "rm -rf t_cwd"
