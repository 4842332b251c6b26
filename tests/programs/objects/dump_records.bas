REM DUMP shows a record variable as one DIM line with its definition (a
REM template, or an I/O list of plain fields); its fields follow as the
REM variables they are.
DIM R$:"F1:C(3),F2:N(4),*:C(2),F3:C(*=44):note:"
R$.F2=12
DIM Q$:IOLIST NAME$,AGE
T["x"]=5
DUMP
