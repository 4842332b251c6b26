10 PRINT 'CS',@(0,0),"Menu: [Save] [Quit]",@(0,23),"<status>",
20 SETMSE @(600,0,600,100),11
30 SETMSE "Quit",RELEASE 12
40 SETMSE /@(0,2300,800,100),"PRINT @(20,23),""status clicked"","
50 INPUT @(0,2),"Name: ",A$
60 PRINT @(0,10),"A=",A$," CTL=",CTL,
70 INPUT @(0,3),"City: ",B$
80 PRINT @(0,11),"B=",B$," CTL=",CTL,
90 INPUT @(0,4),"Zip: ",C$
100 PRINT @(0,12),"C=",C$," CTL=",CTL,
110 PREINPUT "ab",-1017
120 INPUT @(0,5),"Code: ",D$
130 PRINT @(0,13),"D=",D$," CTL=",CTL,
140 SETMSE CLEAR; SETMSE /CLEAR
150 INPUT @(0,6),"Last: ",E$
160 PRINT @(0,14),"E=",E$," CTL=",CTL
RUN
