REM the library back end is chosen by PH at OPEN; without it, error 99
10 SET_PARAM 'PH'
20 OPEN (1,ERR=40)"*pdf*FILE=never.pdf"
30 STOP
40 PRINT ERR,MSG(-1)
50 SET_PARAM -'PH'
RUN
