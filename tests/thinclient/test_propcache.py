# The host property cache (parameter +H): a declared property of a control is
# asked of the client once; a set of it is kept; a set of a property whose
# effects name another makes the next read of that one go to the client; a
# request whose function colour has no name (ENABLE CONTROL here) empties the
# control's cache; another window has its own; an undeclared property is
# always asked; a group's head answers for its members.  Without +H every read is a request.  Declaration errors:
# effects of an undeclared property (23), an empty code string (46).
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import attached, check  # noqa: E402

tclient.NO_REPLY.add((ord('<'), ord(' ')))
tclient.NO_REPLY.add((ord('>'), ord(' ')))
tclient.NO_REPLY.add((ord('Y'), ord('W')))
asked = []


def read(r):
    path = r.payload[7:].decode()
    asked.append(path)
    return b"v%d" % len(asked)


def reads():
    return [r for r in c.requests if r.key() == "YR"]


PROGRAM = ["20 SET_PARAM '+H'",
           "30 ADD SERVER \"Text%Value'Items\"",
           "40 DROP SERVER \"Text\",\"Value\"",
           "50 DROP SERVER ON \"E%/\"",
           "60 C=101; A$=C'TEXT$; B$=C'TEXT$; PRINT \"R1 \",A$,\" \",B$",
           "70 A$=C'VALUE$; C'TEXT$=\"new\"; B$=C'VALUE$; PRINT \"R2 \",A$,\" \",B$",
           "80 A$=C'TEXT$; PRINT \"R3 \",A$",
           "90 A$=C'ITEMS$; ENABLE CONTROL 101; B$=C'ITEMS$; PRINT \"R4 \",A$,\" \",B$",
           "100 A$=C'WIDTH$; B$=C'WIDTH$; PRINT \"R5 \",A$,\" \",B$",
           "110 DISABLE CONTROL 102:3",
           "120 DROP SERVER \"Nothing\",\"Text\",ERR=200",
           "130 DROP SERVER ON \"%Text\",ERR=210",
           "140 SET_PARAM -'+H'; A$=C'TEXT$; PRINT \"R6 \",A$",
           "150 PRINT \"FIN\"+\"ISHED\"; END",
           "200 PRINT \"ERR \",ERR; GOTO 130",
           "210 PRINT \"ERR \",ERR; GOTO 140"]

c = attached(*PROGRAM, handlers={"YR": read}, ready="FINISHED")
out = c.text()
# Read twice, asked once.
check("R1 v1 v1" in out, "a declared property was asked twice: %r" % out, c)
# TEXT's effects name VALUE: the set of TEXT drops VALUE; the value set is kept.
check("R2 v2 v3" in out, "the effect of a set did not drop VALUE: %r" % out, c)
check("R3 new" in out, "the value set was not kept: %r" % out, c)
# ITEMS is in VALUE's group: the head's entry answers it.  ENABLE CONTROL
# ('<', code E) with a nameless function colour empties the control's cache.
check("R4 v3 v4" in out, "ENABLE CONTROL did not empty the control's cache: %r" % out, c)
# WIDTH is not declared: both reads are asked.
check("R5 v5 v6" in out, "an undeclared property was cached: %r" % out, c)
check("ERR  23" in out, "effects of an undeclared property: %r" % out, c)
check("ERR  46" in out, "an empty code string: %r" % out, c)
# Without +H the cache is not used.
check("R6 v7" in out, "a read without +H was answered by the cache: %r" % out, c)
check(asked == ["TEXT$", "VALUE$", "VALUE$", "ITEMS$", "WIDTH$", "WIDTH$", "TEXT$"],
      "reads asked of the client: %r" % asked, c)
# ENABLE CONTROL and DISABLE CONTROL travel as '<' and '>' with 3-byte entries.
en = [r for r in c.requests if r.key() == "< "]
dis = [r for r in c.requests if r.key() == "> "]
check(len(en) == 1 and en[0].payload == b"\x00\x03\x00\x65\x00", "ENABLE CONTROL request: %r" % en, c)
check(len(dis) == 1 and dis[0].payload == b"\x00\x03\x00\x66\x03", "DISABLE CONTROL request: %r" % dis, c)
c.finish()
c.remove()

# A window has its own cache (the whole screen's stays while it is open),
# and dropping it drops that cache.
asked.clear()
c = attached("20 SET_PARAM '+H'; ADD SERVER \"Text\"; C=7",
             "30 A$=C'TEXT$; PRINT WDW(1,1,20,5),; B$=C'TEXT$; B$=C'TEXT$",
             "40 PRINT DRP(1),; A$=C'TEXT$; PRINT WDW(1,1,20,5),; A$=C'TEXT$; PRINT \"FIN\"+\"ISHED\"; END",
             handlers={"YR": read}, ready="FINISHED")
check(asked == ["TEXT$", "TEXT$", "TEXT$"], "window caches: %r" % asked, c)
c.finish()
c.remove()

# The group head's entry stands for every member, whichever is read or set
# first.
asked.clear()
c = attached("20 SET_PARAM '+H'; ADD SERVER \"Alpha'Beta'Gamma\"; C=9",
             "30 A$=C'ALPHA$; B$=C'BETA$; C'GAMMA$=\"g\"; D$=C'ALPHA$",
             "40 PRINT \"G \",A$,B$,D$; PRINT \"FIN\"+\"ISHED\"; END",
             handlers={"YR": read}, ready="FINISHED")
check(asked == ["ALPHA$"], "a group member was asked of the client: %r" % asked, c)
check("G v1v1g" in c.text(), "group values: %r" % c.text()[-80:], c)
c.finish()
c.remove()
print("ok")
