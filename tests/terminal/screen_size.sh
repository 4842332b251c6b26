#!/bin/sh
# A mnemonic defined with a screen size (MNEMONIC ... :cols,lines) changes
# the screen's size and shows the screen again: here its definition clears
# the terminal, and what the screen held (the whole screen's text and an
# open window) comes back; the window stays open, the whole screen takes
# the new size, and the driver's editing keys still work.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
cat > "$work/size.bas" << 'PROG'
0010 PRINT 'CS',@(0,2),"keep"+"this",WDW(30,5,20,5),"in"+"window",
0020 MNEMONIC (0)'ZZ',$1B$+"[2J":60,20
0030 PRINT 'ZZ',@(0,1),"af"+"ter",; INPUT X$
0040 PRINT DRP(/),@(0,12),"size ",MXC(0),MXL(0)
0050 INPUT @(0,14),K$; PRINT @(0,15),"got ",K$
PROG
start
type_program "$work/size.bas"
T send-keys RUN Enter
wait_for 'after'
expect 'keepthis' "the whole screen's text was not shown again"
expect 'inwindow' "the window's text was not shown again"
T send-keys Enter
wait_for 'size '
expect 'size  60 20' "the whole screen did not take the new size"
shows 'Error' && { echo "an error:"; screen; exit 1; }
T send-keys abc Left X Enter
wait_for 'got '
expect 'got abXc' "the driver's editing keys went with the new size"
exit 0
