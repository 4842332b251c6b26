REM POPUP_MENU on a text terminal leaves its target as it was; a value where
REM the target variable must stand is error 20, and the console goes on.
X=7; POPUP_MENU "one,two,",X; PRINT X
X$="kept"; POPUP_MENU "one,two,",X$; PRINT X$
POPUP_MENU "one,two,","not a variable"
POPUP_MENU @(5,5),"one,two,",X
PRINT "the console goes on"
