PRINT HTA(CHR(65)),CHR(321),UCS("abC1"),LCS("ABc1")
PRINT HTA("AZ"),ATH("414a"),ATH("4142")
PRINT ATH("414")
PRINT ATH("4G")
PRINT "["+PAD("AB",5,"C")+"]","["+JST("AB",5,"R")+"]","["+PAD("AB",5)+"]"
PRINT "["+PAD("AB",5,0)+"]","["+PAD("AB",5,2)+"]","["+PAD("ABCDEF",3)+"]","["+PAD("AB",5,"L")+"]"
PRINT "["+PAD("AB",5,"*")+"]","["+PAD("AB",5,"R","-")+"]","["+JST("AB",5,"L",".")+"]"
PRINT PAD("AB",-1)
PRINT PAD("AB",5,3)
PRINT PAD("AB",5,"*","-")
PRINT "["+STP("  A B  ")+"]","["+STP("  A B  ","L")+"]","["+STP("  A B  ","B")+"]","["+STP("  A B  ","A")+"]"
PRINT "["+STP("xxAxx",2,"x")+"]","["+STP("12-34-56",3,"-")+"]","["+STP("(555) 123":"(000) 000")+"]"
PRINT STP("A","")
PRINT STP("A","Q")
PRINT SUB("AAA","A","B",2),SUB("AAA","A","B"),SUB("ABAB","AB","X",1),SUB("ABAB","AB","X",-1)
PRINT SUB("ABAB","AB","X",-3),SUB("A","ABC","X"),SUB("A.B.C",".","--")
PRINT SUB("X","","Y")
PRINT HTA(TRX("AB")),HTA(TRX("A")),LEN(TRX("ABCD"))
PRINT TBL(1,"ZERO","ONE","TWO"),TBL("ABC","AC","xy")
PRINT TBL(3,"A","B")
PRINT HTA(LOC(5)),HTA(LOC(5,10))
PRINT "["+DIM(3)+"]","["+DIM(5,"AB")+"]",LEN(DIM(0))
PRINT DIM(-1)
