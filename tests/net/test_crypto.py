# HSH( digests and HMACs against Python's hashlib/hmac, and HSH(ENCRYPT ...)
# / HSH(DECRYPT ...) against Python's cryptography module and the openssl
# command on the same data: round trips, short keys padded with zero bytes,
# short and long initial vectors fitted to the cipher's length, an explicit
# key length, and the errors of bad ciphers, keys and data.
import hashlib
import hmac
import shutil
import subprocess

from netlib import Oru, expect, expect_in, fail, main, skip

try:
    from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes
    from cryptography.hazmat.primitives import padding
except ImportError:
    Cipher = None


def hexval(out, tag):
    for line in out.splitlines():
        if line.startswith(tag + "="):
            return line[len(tag) + 1:].strip().lower()
    return None


def lit(b):
    """A string expression for bytes b (ATH( of their hex)."""
    return 'ATH("%s")' % b.hex().upper()


def pad16(b, n):
    return (b + b"\0" * n)[:n]


def py_encrypt(name, key, iv, data, decrypt=False):
    algo, mode = {
        "aes-128-cbc": (algorithms.AES, modes.CBC), "aes-256-cbc": (algorithms.AES, modes.CBC),
        "aes-192-cbc": (algorithms.AES, modes.CBC), "aes-128-ctr": (algorithms.AES, modes.CTR),
        "aes-128-ecb": (algorithms.AES, None),
    }[name]
    klen = int(name.split("-")[1]) // 8
    c = Cipher(algo(pad16(key, klen)), mode(pad16(iv, 16)) if mode else modes.ECB())
    block = mode is not modes.CTR
    if decrypt:
        d = c.decryptor()
        out = d.update(data) + d.finalize()
        if block:
            u = padding.PKCS7(128).unpadder()
            out = u.update(out) + u.finalize()
        return out
    if block:
        p = padding.PKCS7(128).padder()
        data = p.update(data) + p.finalize()
    e = c.encryptor()
    return e.update(data) + e.finalize()


def test(scratch):
    if Cipher is None:
        skip("no Python cryptography module")
    oru = Oru(scratch)
    try:
        # ---- digests and HMACs
        msgs = [b"", b"abc", b"The quick brown fox jumps over the lazy dog", bytes(range(256)) * 5]
        algs = {1: "md5", 4: "sha1", 224: "sha224", 256: "sha256", 384: "sha384", 512: "sha512"}
        for m in msgs:
            for code, name in algs.items():
                out = oru.run('PRINT "h=",HTA(HSH(%s,%d))' % (lit(m), code))
                expect(hexval(out, "h"), hashlib.new(name, m).hexdigest(), "%s of %d bytes" % (name, len(m)), oru)
        for key in [b"", b"Jefe", b"\x0b" * 20, b"k" * 200]:
            for code, name in algs.items():
                m = b"what do ya want for nothing?"
                out = oru.run('PRINT "h=",HTA(HSH(%s,%s,7,%d))' % (lit(m), lit(key), code))
                want = hmac.new(key, m, name).hexdigest()
                expect(hexval(out, "h"), want, "HMAC-%s with a key of %d bytes" % (name, len(key)), oru)
        # HMAC without a key: the form HSH(s,7,n)
        out = oru.run('PRINT "h=",HTA(HSH("abc",7,256))')
        expect(hexval(out, "h"), hmac.new(b"", b"abc", "sha256").hexdigest(), "HMAC with no key", oru)
        # ---- ciphers against the cryptography module
        data = [b"", b"x", b"sixteen bytes!!!", b"Some order record\x8awith fields" * 7]
        cases = [("aes-128-cbc", b"0123456789abcdef", b"fedcba9876543210"),
                 ("aes-256-cbc", b"short", b"iv"),                       # padded key and vector
                 ("aes-192-cbc", b"k" * 40, b"v" * 30),                   # cut key and vector
                 ("aes-128-ctr", b"counter key 1234", b"\x00" * 15 + b"\x01"),
                 ("aes-128-ecb", b"ecb key", b"")]
        for name, key, iv in cases:
            for d in data:
                ivarg = ",16,%s" % lit(iv) if iv and name != "aes-128-ecb" else ""
                if name == "aes-256-cbc":
                    ivarg = ",32,%s" % lit(iv)
                if name == "aes-192-cbc":
                    ivarg = ",24,%s" % lit(iv)
                out = oru.run('X$=HSH(ENCRYPT %s,"%s",%s%s)' % (lit(d), name, lit(key), ivarg),
                              'PRINT "e=",HTA(X$)',
                              'PRINT "d=",HTA(HSH(DECRYPT X$,"%s",%s%s))' % (name, lit(key), ivarg))
                want = py_encrypt(name, key, iv if name != "aes-128-ecb" else b"", d)
                expect(hexval(out, "e"), want.hex(), "%s of %d bytes" % (name, len(d)), oru)
                expect(hexval(out, "d"), d.hex(), "%s round trip of %d bytes" % (name, len(d)), oru)
        # Without an initial vector the vector is all zero bytes.
        out = oru.run('PRINT "e=",HTA(HSH(ENCRYPT "abc","aes-128-cbc","key"))')
        expect(hexval(out, "e"), py_encrypt("aes-128-cbc", b"key", b"", b"abc").hex(), "no vector given", oru)
        # Decrypting what Python enciphered.
        ct = py_encrypt("aes-256-cbc", b"A" * 32, b"B" * 16, b"from python")
        out = oru.run('PRINT "d=",HSH(DECRYPT %s,"AES-256-CBC",%s,32,%s)' % (lit(ct), lit(b"A" * 32), lit(b"B" * 16)))
        expect_in("d=from python", out, "DECRYPT of Python's cipher text (names are case-blind)", oru)
        # ---- the openssl command on the same data
        if shutil.which("openssl"):
            key, iv = b"k" * 16, b"i" * 16
            plain = b"openssl command data " * 9
            r = subprocess.run(["openssl", "enc", "-aes-128-cbc", "-K", key.hex(), "-iv", iv.hex()],
                               input=plain, capture_output=True, check=True)
            out = oru.run('PRINT "e=",HTA(HSH(ENCRYPT %s,"aes-128-cbc",%s,16,%s))' % (lit(plain), lit(key), lit(iv)))
            expect(hexval(out, "e"), r.stdout.hex(), "the openssl command's cipher text", oru)
            r = subprocess.run(["openssl", "enc", "-chacha20", "-K", (b"c" * 32).hex(), "-iv", (b"n" * 16).hex()],
                               input=plain, capture_output=True, check=True)
            out = oru.run('PRINT "e=",HTA(HSH(ENCRYPT %s,"chacha20",%s,32,%s))' % (lit(plain), lit(b"c" * 32),
                                                                                  lit(b"n" * 16)))
            expect(hexval(out, "e"), r.stdout.hex(), "chacha20 as the openssl command has it", oru)
        # ---- the list and the errors
        out = oru.run('L$=HSH(ENCRYPT "*","","")', 'PRINT "list=",POS("AES-128-CBC,"=L$)>0,"/",L$(LEN(L$))')
        expect_in("list= 1/,", out, "the cipher list", oru)
        checks = [('X$=HSH(ENCRYPT "x","no-such-cipher","k",ERR=90)', 25, "an unknown cipher"),
                  ('X$=HSH(ENCRYPT "x","aes-128-cbc","k",0,ERR=90)', 41, "a key length of 0"),
                  ('X$=HSH(ENCRYPT "x","aes-128-cbc","k",8193,ERR=90)', 41, "a key length above 8192"),
                  ('X$=HSH(ENCRYPT "x","aes-128-cbc","k",20,ERR=90)', 15, "a key length AES does not take"),
                  ('X$=HSH(DECRYPT "12345","aes-128-cbc","k",ERR=90)', 15, "cipher text of a broken length"),
                  ('X$=HSH("abc",9,ERR=90)', 41, "an unknown digest"),
                  ('X$=HSH("abc",7,9,ERR=90)', 41, "HMAC over an unknown digest"),
                  ('X$=HSH("abc",7,7,ERR=90)', 41, "HMAC over HMAC"),
                  ('X$=HSH("abc",1.5,ERR=90)', 41, "a digest number with decimals")]
        for stmt, err, what in checks:
            expect(oru.err(stmt)[0], err, what, oru)
        oru.err('X$=HSH(DECRYPT "12345","aes-128-cbc","k",ERR=90)')
        expect_in("Error in DecryptFinal", oru.run("PRINT MSG(-1)"), "the text of a failed final step", oru)
        # MD2 and MDC2 (which OpenSSL 3 lacks) against their published vectors.
        fox = b"The quick brown fox jumps over the lazy dog"
        for m, code, want in [(b"abc", 3, "da853b0d3f88d99b30283a69e6ded6bb"),
                              (fox, 3, "03d85a0d629d2c442e987525319fc471"),
                              (b"", 5, "52525252525252522525252525252525"),
                              (fox, 5, "000ed54e093d61679aefbeae05bfe33a")]:
            out = oru.run('PRINT "h=",HTA(HSH(%s,%d))' % (lit(m), code))
            expect(hexval(out, "h"), want, "digest %d of %d bytes" % (code, len(m)), oru)
        # The forms list as they were typed.
        out = oru.run("DELETE", '10 X$=HSH(ENCRYPT A$,"aes-128-cbc",K$,16,V$)',
                      '20 Y$=HSH(DECRYPT X$,C$,K$)', "LIST")
        expect_in('HSH(ENCRYPT A$,"aes-128-cbc",K$,16,V$)', out, "ENCRYPT lists as typed", oru)
        expect_in("HSH(DECRYPT X$,C$,K$)", out, "DECRYPT lists as typed", oru)
        # The words are not statements, nor arguments of other functions.
        expect_in("Syntax error", oru.run('ENCRYPT "x"'), "ENCRYPT as a statement", oru)
        expect_in("Syntax error", oru.run('X$=STR(ENCRYPT "x")'), "ENCRYPT outside HSH(", oru)
    finally:
        oru.quit()


main(test)
