P$["one"]="first"
P$["two"]="second"
P$["one"]=P$["one"]+"!"
PRINT P$["one"],P$["two"]
PRINT P$[1],P$[2]
PRINT P$["three"]+"|"
PRINT P$[3]
K$="tw"; PRINT P$[K$+"o"]
DIM N[3]
N["a"]=1
C["x"]=1; C["x"]++; C["y"]=10
PRINT C["x"],C["y"]
