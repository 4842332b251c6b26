REM PREFIX lists are searched by OPEN and PTH(
INVOKE "rm -rf t_pfx; mkdir -p t_pfx/one t_pfx/two t_pfx/prog; echo a > t_pfx/two/data.txt; echo b > t_pfx/one/only1.txt"
HOME$=LWD+"/"
PREFIX HOME$+"t_pfx/one/ "+HOME$+"t_pfx/two/"
PRINT PTH("data.txt")=HOME$+"t_pfx/two/data.txt",PTH("only1.txt")=HOME$+"t_pfx/one/only1.txt"
OPEN (1)"data.txt"; READ (1)X$; CLOSE (1); PRINT X$
PRINT PTH("missing.txt")
REM a list per disk: disk 1, disabled and enabled again
PREFIX (1)HOME$+"t_pfx/one/",("C")HOME$+"t_pfx/prog/"
PREFIX ""
PRINT PTH("only1.txt")=HOME$+"t_pfx/one/only1.txt"
DISABLE 1
PRINT PTH("only1.txt")
DISABLE 1
ENABLE "C"
ENABLE 1
PRINT PTH("only1.txt")=HOME$+"t_pfx/one/only1.txt"
DISABLE 7
DISABLE 35
DISABLE "?",2
REM a bad entry changes no list
PREFIX (2)HOME$+"t_pfx/two/",($80$+"x")
PREFIX (2)HOME$+"t_pfx/two/",$80$+"x"
PRINT PTH("data.txt")
PREFIX (35)"x"
REM virtual directories and the prefix file
PREFIX DIRECTORY "STORE",HOME$+"t_pfx/two"
PRINT PTH("STORE/data.txt")=HOME$+"t_pfx/two/data.txt"
PREFIX DIRECTORY "STORE",""
PRINT PTH("STORE/data.txt")
PREFIX FILE ""
PREFIX FILE "t_pfx/two/data.txt"
PREFIX FILE "t_pfx/nothing"
PREFIX PROGRAM HOME$+"t_pfx/prog/"
PREFIX
INVOKE "rm -rf t_pfx"
