REM FNT( with a fourth argument names the channel the font is for: a
REM channel that is not open is error 13; the channel is not sent.
PRINT HTA(FNT("Arial",12,"B"))
PRINT HTA(FNT("Arial",12,"B",0))
PRINT HTA(FNT("Arial",12,"B",77))
