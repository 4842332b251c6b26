REM A device channel as a terminal screen without a terminal: the screen image read back with 'RL', 'RC' and 'TR'
OPEN (1)"/dev/null"
DEFTTY (1)20,6
PRINT (1)'CS',@(0,0),"abcdefghij",@(0,1),"line one",@(0,2),"line two",@(0,3),"line three",
REM 'DC' and 'IC' without definitions are emulated
PRINT (1)@(2,0),'DC','DC','RL',; INPUT (1)L$; PRINT "[",L$,"]"
PRINT (1)@(4,1),'IC',"X",'RL',; INPUT (1)L$; PRINT "[",L$,"]"
REM 'LD' at line 1 pulls the lines below up; 'LI' opens a blank line
PRINT (1)@(0,1),'LD','RL',; INPUT (1)L$; PRINT "[",L$,"]"
PRINT (1)@(0,0),'LI',"new top",@(0,3),'RL',; INPUT (1)L$; PRINT "[",L$,"]"
REM 'RC': line then column, two digits each
PRINT (1)@(12,5),'RC',; INPUT (1)L$; PRINT L$
REM 'CF' keeps text written after 'SB' and clears the rest
PRINT (1)'CS',@(0,2),'SB',"Label:",'SF',"value",'CF',@(0,2),'RL',; INPUT (1)L$; PRINT "[",L$,"]"
REM 'CL' at the cursor, 'CE' to the end of the window
PRINT (1)'CS',@(0,0),"keep this text",@(0,1),"second",@(4,0),'CL',@(0,0),'RL',; INPUT (1)L$; PRINT "[",L$,"]"
PRINT (1)@(3,0),'CE','TR',; INPUT (1)L$; PRINT LEN(L$),"[",L$(1,25),"]"
REM text past the last column wraps to the next line; at the bottom the screen scrolls
PRINT (1)'CS',@(15,0),"0123456789",@(0,1),'RL',; INPUT (1)L$; PRINT "[",L$,"]"
PRINT (1)@(0,5),"last",'LF',"after",@(0,4),'RL',; INPUT (1)L$; PRINT "[",L$,"]"
REM 'DC' in the last column blanks only that cell
PRINT (1)'CS',@(0,0),"abcdefghijklmnopqrst",@(19,0),'DC',@(0,0),'RL',; INPUT (1)L$; PRINT "[",L$,"]"
REM a position outside the screen is an invalid mnemonic
PRINT (1)@(20,0),"x"
PRINT (1)@(0,6),"x"
CLOSE (1)
