PRINT MSK("aabbbbc","b+"),VMSL
PRINT MSK("abcabc","^b"),MSK("bcabc","^b")
PRINT MSK("zxyz","x|xy"),VMSL
SET_PARAM -'OM'
PRINT MSK("zxyz","x|xy"),VMSL
PRINT MSK("abc",""),VMSL
SET_PARAM 'OM'
PRINT MSK("abc","")
PRINT MSK("no digits here","[0-9]+")
PRINT MSK("item 42 of 7","[0-9]+"),VMSL
PRINT MSK("zz42x"),VMSL
PRINT MSK("")
PRINT MSK("a(b)c","\(b\)"),VMSL
PRINT MSK("abc","a**")
PRINT MSK("abc","^?")
PRINT MSK("abc","(a")
PRINT MSK("abc")
PRINT MSK("abc",1)
