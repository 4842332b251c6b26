PRINT LEN(TSM),HTA(TSM)
PRINT "[",PGN,"]",BKG,"[",PFX,"]"
PREFIX "/tmp/ lib/"
PRINT "[",PFX,"]"
PREFIX ""
PRINT "[",PFX,"]"
10 SETERR 100
20 OPEN (1)"no such file here"
30 STOP
100 T$=TSM; PRINT T$(1,1),HTA(T$(2,16)),T$(18)
RUN
X=SQR(-1)
T$=TSM; PRINT T$(18)
