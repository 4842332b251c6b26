REM EXP( of a negative argument goes through the floating path and takes the precision in force, as the power operator does
PRECISION 2
PRINT EXP(-3),10^(-3),EXP(-2),10^(-2),EXP(-1.5)
PRECISION 4
PRINT EXP(-3),10^(-3),EXP(-5),EXP(-.5)
REM whole powers from 0 up stay exact
PRINT EXP(0),EXP(1),EXP(23),EXP(126)=10^126,EXP(2.5)
FLOATING POINT
PRINT EXP(-3),10^(-3),EXP(-50),EXP(-127),EXP(-200)
PRECISION 2
PRINT EXP(-127),EXP(-200)
PRINT EXP(127)
