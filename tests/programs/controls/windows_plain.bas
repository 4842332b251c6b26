REM Windows, attributes and colours on a console without a screen: the
REM requests are built; their own errors come as on a screen; the
REM console's window is 80 x 24.
A$=WDW(1,2,3,4); PRINT LEN(A$),ASC(A$(4,1)),ASC(A$(5,1))
A$=DRP(0)
A$=DRP(251)
A$=WDW(1,1,300,4)
A$=GTO(251)
A$=SCR("sideways")
A$=CUR("INS"); PRINT A$(2)
A$=WRP("OFF"); PRINT A$(2)
A$=MDE("abcd")
A$=LIN("odd")
A$=PIE(1,2,-1,4)
A$=FCLR(255)
A$=IMG("x")
A$=DLL("x")
VIDEO_PALETTE DIM(45,"A")
VIDEO_PALETTE DIM(768,"A")
VIDEO_PALETTE READ P$; PRINT LEN(P$)
VIDEO_PALETTE INDEXED READ T$; PRINT LEN(T$),ASC(T$(34,1))
VIDEO_PALETTE INDEXED "short"
PRINT MXC(0),MXL(0),HWN(0)
PRINT MNM($1B4353$)
