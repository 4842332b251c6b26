REM Key definitions of KEYED, DIRECT, CREATE and SORT written every way:
REM KEYDEF text, a bracketed list in the statement and a bare external key.
REM The sound ones make the file (removed again; those that need a part not yet
REM built stop with error 99); the faulty ones give their own error.
10 OPEN (9)"<rm -rf t_kd; mkdir t_kd && echo ready"
20 READ (9)A$
30 CLOSE (9)
40 PRINT A$
100 KEYED "t_kd/a","[1:1:10]+[2:5:4:""D""],[0:1:20]",0,100,ERR=104
102 PRINT "text keydef: no error"; ERASE "t_kd/a"
103 GOTO 110
104 PRINT "text keydef: error",ERR
110 KEYED "t_kd/a",[1:1:10]+[2:5:4:"D"],[0:1:20],0,100,ERR=114
112 PRINT "bracketed list: no error"; ERASE "t_kd/a"
113 GOTO 120
114 PRINT "bracketed list: error",ERR
120 KEYED "t_kd/a",10,0,100,ERR=124
122 PRINT "bare external key: no error"; ERASE "t_kd/a"
123 GOTO 130
124 PRINT "bare external key: error",ERR
130 KEYED "t_kd/a","10,[KEY:3:4]+[0:1:2:""U""]",0,100,ERR=134
132 PRINT "external key and KEY segment: no error"; ERASE "t_kd/a"
133 GOTO 140
134 PRINT "external key and KEY segment: error",ERR
140 KEYED "t_kd/a",["id":0:1:6],["name":0:7:30:"CT"],0,100,ERR=144
142 PRINT "named keys in a list: no error"; ERASE "t_kd/a"
143 GOTO 150
144 PRINT "named keys in a list: error",ERR
150 DIRECT "t_kd/a","[0:3839:1]",0,3839,ERR=154
152 PRINT "offset 3839 and length 1: no error"; ERASE "t_kd/a"
153 GOTO 160
154 PRINT "offset 3839 and length 1: error",ERR
160 CREATE "t_kd/a","[0:1:8:""B.2""]",0,-5000,ERR=164
162 PRINT "variable records with a binary numeric key: no error"; ERASE "t_kd/a"
163 GOTO 170
164 PRINT "variable records with a binary numeric key: error",ERR
170 SORT "t_kd/a",20,ERR=174
172 PRINT "SORT: no error"; ERASE "t_kd/a"
173 GOTO 180
174 PRINT "SORT: error",ERR
180 KEYED "t_kd/a","[0:95:10]",0,100,ERR=184
182 PRINT "segment beyond the record: no error"; ERASE "t_kd/a"
183 GOTO 190
184 PRINT "segment beyond the record: error",ERR
190 KEYED "t_kd/a","[0:1:1],[0:1:1],[0:1:1],[0:1:1],[0:1:1],[0:1:1],[0:1:1],[0:1:1],[0:1:1],[0:1:1],[0:1:1],[0:1:1],[0:1:1],[0:1:1],[0:1:1],[0:1:1],[0:1:1]",0,100,ERR=194
192 PRINT "17 keys: no error"; ERASE "t_kd/a"
193 GOTO 200
194 PRINT "17 keys: error",ERR
200 KEYED "t_kd/a","[0:1:27]+[0:28:27]+[0:55:27]+[0:82:27]+[0:109:27]+[0:136:27]+[0:163:27]+[0:190:27]+[0:217:25]",0,300,ERR=204
202 PRINT "key of 241 bytes: no error"; ERASE "t_kd/a"
203 GOTO 210
204 PRINT "key of 241 bytes: error",ERR
210 KEYED "t_kd/a","[1:1:10",0,100,ERR=214
212 PRINT "text that ends early: no error"; ERASE "t_kd/a"
213 GOTO 220
214 PRINT "text that ends early: error",ERR
220 KEYED "t_kd/a","[1:1:10]x",0,100,ERR=224
222 PRINT "text grammar: no error"; ERASE "t_kd/a"
223 GOTO 230
224 PRINT "text grammar: error",ERR
230 KEYED "t_kd/a",[1:1:4:"Q"],0,100,ERR=234
232 PRINT "option letter in a list: no error"; ERASE "t_kd/a"
233 GOTO 240
234 PRINT "option letter in a list: error",ERR
240 KEYED "t_kd/a","[1:1:4:Q]",0,100,ERR=244
242 PRINT "option letter in a text: no error"; ERASE "t_kd/a"
243 GOTO 250
244 PRINT "option letter in a text: error",ERR
250 KEYED "t_kd/a",[KEY:1:4],0,100,ERR=254
252 PRINT "KEY without an external key: no error"; ERASE "t_kd/a"
253 GOTO 260
254 PRINT "KEY without an external key: error",ERR
260 KEYED "t_kd/a","[0:1:4:N:zz]",0,100,ERR=264
262 PRINT "N: without hexadecimal digits: no error"; ERASE "t_kd/a"
263 GOTO 270
264 PRINT "N: without hexadecimal digits: error",ERR
270 KEYED "t_kd/a","[0:1:4:#],[0:5:4:+]",0,-100,ERR=274
272 PRINT "two typed segments: no error"; ERASE "t_kd/a"
273 GOTO 280
274 PRINT "two typed segments: error",ERR
280 KEYED "t_kd/a","[0:3840:1]",0,4000,ERR=284
282 PRINT "offset 3840: no error"; ERASE "t_kd/a"
283 GOTO 290
284 PRINT "offset 3840: error",ERR
290 KEYED "t_kd/a",10,0,-70000,ERR=294
292 PRINT "record length -70000: no error"; ERASE "t_kd/a"
293 GOTO 300
294 PRINT "record length -70000: error",ERR
300 KEYED "t_kd/a",10,0,-40000,OPT="0",ERR=304
302 PRINT "-40000 in the first format: no error"; ERASE "t_kd/a"
303 GOTO 310
304 PRINT "-40000 in the first format: error",ERR
310 KEYED "t_kd/a",10,0,100,OPT="2",ERR=314
312 PRINT "OPT=""2"": no error"
313 GOTO 320
314 PRINT "OPT=""2"": error",ERR
320 KEYED "t_kd/a",10,0,100,OPT="u",ERR=324
322 PRINT "OPT=""u"": no error"
323 GOTO 330
324 PRINT "OPT=""u"": error",ERR
330 KEYED "t_kd/a",10,0,100,OPT="CZ",ERR=334
332 PRINT "OPT=""CZ"": no error"
333 GOTO 340
334 PRINT "OPT=""CZ"": error",ERR
340 KEYED "t_kd/a",10,0,100,OPT="C",ERR=344
342 PRINT "OPT=""C"" on fixed records: no error"
343 GOTO 350
344 PRINT "OPT=""C"" on fixed records: error",ERR
350 KEYED "t_kd/a",128,0,100,ERR=354
352 PRINT "external key of 128: no error"; ERASE "t_kd/a"
353 GOTO 360
354 PRINT "external key of 128: error",ERR
360 SORT "t_kd/a",0,ERR=364
362 PRINT "SORT key length 0: no error"; ERASE "t_kd/a"
363 GOTO 370
364 PRINT "SORT key length 0: error",ERR
370 KEYED "t_kd/a","[""#1"":0:1:4]",0,100,ERR=374
372 PRINT "a name beginning ""#"": no error"
373 GOTO 380
374 PRINT "a name beginning ""#"": error",ERR
380 KEYED "t_kd/a","[""a"":0:1:4],[""A"":0:5:4]",0,100,ERR=384
382 PRINT "one name for two keys: no error"; ERASE "t_kd/a"
383 GOTO 390
384 PRINT "one name for two keys: error",ERR
390 KEYED "t_kd/a","[0:1:4:B.2C]",0,-100,ERR=394
392 PRINT "B with C: no error"; ERASE "t_kd/a"
393 GOTO 400
394 PRINT "B with C: error",ERR
400 FILE "1234567890123456789012"+"x",ERR=404
402 PRINT "FILE string of the wrong length: no error"; ERASE "t_kd/a"
403 GOTO 410
404 PRINT "FILE string of the wrong length: error",ERR
410 OPEN (9)"<ls t_kd | wc -l; rm -rf t_kd"
411 READ (9)A$
412 CLOSE (9)
413 PRINT "files left behind:",A$
RUN
