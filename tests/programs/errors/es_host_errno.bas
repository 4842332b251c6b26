REM With parameter ES a host error's report adds the host's text and errno in
REM parentheses; without it the message stands alone.  ERR= takes the error
REM the same way either way.
DIRECTORY "es_d"
SERIAL "es_d/f"
ERASE "es_d"
SET_PARAM 'ES'
ERASE "es_d"
10 ERASE "es_d",ERR=30
20 STOP
30 PRINT "taken:",ERR
RUN
SET_PARAM -'ES'
ERASE "es_d"
ERASE "es_d/f"
ERASE "es_d"
