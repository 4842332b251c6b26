REM Utility programs of the library serve the dialogue directives on a text
REM terminal: the clipboard keeps one text, a menu bar's READ falls back to
REM its first title without a key.
10 CLIPBOARD WRITE "copied text"
20 CLIPBOARD READ C$
30 PRINT "[",C$,"]"
40 CLIPBOARD WRITE,"second"; CLIPBOARD READ,C$; PRINT "[",C$,"]"
50 MENU_BAR 1,"",ERR=60
60 PRINT "empty menu:",ERR
70 MULTI_MEDIA "beep"
80 PRINT "done"
RUN
