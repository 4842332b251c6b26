#!/bin/sh
# Screen forms read back and shown on a terminal: 'DC' and 'IC' on a row
# filled to the full width (of the screen, where the device does them, and
# of a window, where they are emulated), read back with 'RL'; the read-back
# in graphics mode (four bytes a cell); a window reaching past the screen's
# edge; a key mapped to a code of -999..-1 calling "*control" and starting
# the INPUT again; DEFTTY's own size.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
cp -R "$lib" "$work/lib"
printf '0010 PRINT "CONTROL"+" CALLED"\n' > "$work/lib/_control"
lib="$work/lib"
cat > "$work/edits.bas" << 'PROG'
0010 A$=""; FOR I=0 TO 79; A$=A$+CHR(65+MOD(I,26)); NEXT I
0020 PRINT 'CS',@(0,3),A$,@(10,3),'DC',@(0,3),'RL',; INPUT X$
0030 PRINT @(20,3),'IC',@(0,3),'RL',; INPUT Y$
0040 PRINT @(0,6),"S1 [",LEN(X$),X$(1,12),"|",X$(76),"]"
0050 PRINT @(0,7),"S2 [",LEN(Y$),Y$(18,6),"|",Y$(76),"]"
0060 PRINT WDW(10,10,30,5),'CS',@(0,1),A$(1,30),@(10,1),'DC',@(0,1),'RL',; INPUT X$
0070 PRINT @(20,1),'IC',@(0,1),'RL',; INPUT Y$
0080 PRINT DRP(/),@(0,16),"W1 [",LEN(X$),X$(9,4),"|",X$(26),"]"
0090 PRINT @(0,17),"W2 [",Y$(18,6),"|",Y$(26),"]"
0100 PRINT 'GS',@(0,3),'RL',; INPUT G$; PRINT 'GE',@(0,18),"G [",LEN(G$),ASC(G$(1)),ASC(G$(2)),ASC(G$(3)),G$(4,1),"]"
0105 PRINT @(0,20),"left ","part",@(0,21),"more ","text",@(0,22),"last ","line",
0110 PRINT WDW(70,20,255,255),'CS',"hi",@(0,1),"gone",@(0,2),MXC(0),MXL(0),@(20,2),"XX"+"XX",@(0,1),'LD',; INPUT Z$
0120 PRINT DRP(/),@(0,19),"E [back]"
PROG
start
type_program "$work/edits.bas"
T send-keys RUN Enter
wait_for ' 255 255'
expect 'hi' "the window past the screen's edge"
for t in 'left part' 'more text' 'last line'; do
  line_begins "$t" || { echo "the window past the screen's edge wrote over the screen"; screen; exit 1; }
done
shows 'XXXX' && { echo "text past the screen's edge was shown"; screen; exit 1; }
shows 'gone' && { echo "'LD' in the window past the screen's edge"; screen; exit 1; }
T send-keys Enter
wait_for 'E [back]'
expect 'S1 [ 80ABCDEFGHIJLM|YZAB ]' "'DC' on the whole screen's row"
expect 'S2 [ 80STU VW|XYZAB]' "'IC' on the whole screen's row"
expect 'W1 [ 30IJLM|ABCD ]' "'DC' on a window's row"
expect 'W2 [STU VW|ZABCD]' "'IC' on a window's row"
expect 'G [ 320 7 0 0A]' "read-back in graphics mode"
shows 'Error' && { echo "an error:"; screen; exit 1; }
# A key that DEFCTL maps to -5: "*control", then the INPUT again.
T send-keys "DEFCTL (0)\$1B78\$,-5; PRINT 'CS',\"rea\"+\"dy\",; INPUT X$; PRINT @(0,5),\"got \",X$" Enter
wait_for 'ready'
T send-keys -H 1b 78
wait_for 'CONTROL CALLED'
T send-keys abc Enter
wait_for 'got abc'
# DEFTTY's own size stands.
T send-keys "DEFTTY (0)40,10; PRINT 'CS',MXC(0),MXL(0)" Enter
wait_for ' 40 10'
exit 0
