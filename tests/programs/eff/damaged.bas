REM A damaged EFF header: a block-size byte below 3 or a key buffer of 256
REM bytes or more is error 17, and the channel stays free.
10 KEYED "dmg","[1:1:4]",0,20,OPT="1"
20 OPEN (1)"dmg"; WRITE (1)"D001"; CLOSE (1)
30 INVOKE "printf '\002' | dd of=dmg bs=1 seek=48 conv=notrunc 2>/dev/null"
40 OPEN (1,ERR=50)"dmg"; PRINT "opened"
50 PRINT "block-size byte 2: error ",ERR
70 KEYED "other","[1:1:4]",0,20,OPT="1"; OPEN (1)"other"; PRINT "channel 1 is free"; CLOSE (1)
80 INVOKE "printf '\003\000\000\000\000\373' | dd of=dmg bs=1 seek=48 conv=notrunc 2>/dev/null"
90 OPEN (1,ERR=100)"dmg"; PRINT "opened"
100 PRINT "key buffer of 256 bytes: error ",ERR
110 INVOKE "printf '\003\000\000\000\000\010' | dd of=dmg bs=1 seek=48 conv=notrunc 2>/dev/null"
120 OPEN (1)"dmg"; READ (1,KEY="D001")R$; PRINT "mended: ",R$; CLOSE (1)
130 ERASE "dmg"; ERASE "other"
RUN
