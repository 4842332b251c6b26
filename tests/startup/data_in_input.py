"""Peer of data_in_input.sh: listens on loopback, runs a program that opens a
channel to it and waits in INPUT, sends bytes while the INPUT waits, and
checks that the DataAvailable handler ran before the answer was given:
for an INPUT without a time-out and for one with TIM=."""
import os
import socket
import subprocess
import sys
import time

PROGRAM = """10 DEF CLASS "WATCH"
20 PROPERTY COUNT
30 FUNCTION SEEN(CH) FOR EVENT "DataAvailable"
40 ENTER CH; COUNT=COUNT+1
50 IF COUNT=1 THEN SERIAL "seen"
60 RETURN 0
70 FUNCTION END
80 END DEF
100 DEF OBJECT EVH,"*system"; W=NEW("WATCH"); ON EVENT FROM EVH PROCESS W
110 OPEN (1)"[tcp]127.0.0.1;{port}"
120 ENABLE EVENT DATA (1)
130 SERIAL "ready"
140 INPUT {form}"answer? ",A$
150 READ (1,TIM=5,SIZ=5)D$
160 PRINT "events:",W'COUNT,A$,D$
170 END
"""


def wait_for(path, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if os.path.exists(path):
            return True
        time.sleep(0.05)
    return os.path.exists(path)


def run_case(oru, form):
    for name in ("ready", "seen"):
        if os.path.exists(name):
            os.remove(name)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    listener.settimeout(30)
    with open("prog.txt", "w") as f:
        f.write(PROGRAM.format(port=listener.getsockname()[1], form=form))
    if os.path.exists("prog"):
        os.remove("prog")
    built = subprocess.run([oru], input=b'MERGE "prog.txt"\nSAVE "prog"\n', capture_output=True, timeout=30)
    if not os.path.exists("prog") or os.path.getsize("prog") == 0:
        print("program not saved:", built.stdout.decode(errors="replace"))
        return False
    run = subprocess.Popen([oru, "prog"], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    try:
        conn, _ = listener.accept()
        if not wait_for("ready", 30):
            print("the program did not start")
            return False
        time.sleep(0.5)  # the INPUT is waiting by now
        conn.sendall(b"hello")
        during = wait_for("seen", 5)
        out, _ = run.communicate(b"yes\n", timeout=30)
        conn.close()
    finally:
        listener.close()
        if run.poll() is None:
            run.kill()
    text = out.decode(errors="replace")
    if not during:
        print("INPUT %s: DataAvailable did not run while it waited:" % form)
        print(text)
        return False
    if "events: 1yeshello" not in text:
        print("INPUT %s: DataAvailable count or answer:" % form)
        print(text)
        return False
    return True


def main():
    oru, tmp = os.path.abspath(sys.argv[1]), sys.argv[2]
    os.chdir(tmp)
    ok = run_case(oru, "")
    ok = run_case(oru, "(0,TIM=20)") and ok
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
