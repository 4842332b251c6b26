X% =2.7; Y% =-2.7; Z=2.7
PRINT X%,Y%,Z
X% =X%/3*10
PRINT X%
DIM I%[2]
I%[1]=9.99; PRINT I%[1]
X%++; PRINT X%
