#!/usr/bin/env python3
"""A signed release, end to end: a throw-away CA and code-signing certificate
made now (openssl), its key also on a software PKCS#11 token (SoftHSM), the
shipped build configured to sign with the token and built in a folder of its
own, then Authenticode checks with osslsigncode: the module,
the uninstaller and the setup verify against the CA; a setup changed after
signing does not; the signed files cover the same digest as the unsigned build
of the same commit; and the signed setup, run silently under Wine, installs an
uninstaller that verifies too, and that uninstaller removes it. The key-file
path is checked on a copy of the module: a plain key, a locked one with its
pass phrase, and wrong PINs and pass phrases, which fail and leave the file as
it was.

    signing_test.py UNSIGNED-MODULE.dll UNSIGNED-UNINSTALLER.exe SETUP-RUNNER.exe WORK-DIR
"""

import os
import shutil
import subprocess
import sys

import pefile

from winetools import Checks, ROOT, run, windows_path, WINE_DIR

SIGNER = "Kelvra Sorvane Test Signer"
SOFTHSM = "/usr/lib/softhsm/libsofthsm2.so"
TOKEN_KEY = "pkcs11:token=sorvane-test;object=signer;type=private"
PIN = "4321"
SIGN = os.path.join(ROOT, "scripts", "lib", "sign")


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, capture_output=True)


def make_certificates(folder):
    """ca.pem, and chain.pem (the signer first) with its key signer.key."""
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
            "-days", "2", "-subj", "/CN=Kelvra Sorvane Test CA",
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=folder)
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "signer.key", "-out", "signer.csr",
            "-subj", f"/CN={SIGNER}", cwd=folder)
    with open(os.path.join(folder, "signer.ext"), "w", encoding="ascii") as f:
        f.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                "extendedKeyUsage=codeSigning\n")
    openssl("x509", "-req", "-in", "signer.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-days", "2", "-extfile", "signer.ext", "-out", "signer.pem",
            cwd=folder)
    with open(os.path.join(folder, "chain.pem"), "w", encoding="ascii") as chain:
        for name in ("signer.pem", "ca.pem"):
            with open(os.path.join(folder, name), encoding="ascii") as f:
                chain.write(f.read())


def make_token(folder):
    """A SoftHSM token holding signer.key; the environment that finds it."""
    tokens = os.path.join(folder, "tokens")
    os.makedirs(tokens)
    conf = os.path.join(folder, "softhsm2.conf")
    with open(conf, "w", encoding="ascii") as f:
        f.write(f"directories.tokendir = {tokens}\nobjectstore.backend = file\n")
    env = dict(os.environ, SOFTHSM2_CONF=conf)
    for args in (["--init-token", "--free", "--label", "sorvane-test", "--pin", PIN,
                  "--so-pin", "87654321"],
                 ["--import", "signer.key", "--token", "sorvane-test", "--label", "signer",
                  "--id", "01", "--pin", PIN]):
        subprocess.run(["softhsm2-util", *args], cwd=folder, env=env, check=True,
                       capture_output=True)
    return env


def verify(path, ca):
    """(verified, what osslsigncode said)."""
    result = subprocess.run(["osslsigncode", "verify", "-CAfile", ca, "-in", path],
                            capture_output=True, text=True, check=False)
    said = result.stdout + result.stderr
    return result.returncode == 0 and "Signature verification: ok" in said, said


def signed_data(path, work):
    """The Authenticode content a signature of `path` covers (its digest)."""
    out = os.path.join(work, "signed.data")
    if os.path.exists(out):
        os.remove(out)
    subprocess.run(["osslsigncode", "extract-data", "-h", "sha256", "-in", path, "-out", out],
                   capture_output=True, check=True)
    with open(out, "rb") as f:
        return f.read()


def main():
    module, uninstaller, runner, work = sys.argv[1:5]
    checks = Checks("signing")
    shutil.rmtree(work, ignore_errors=True)
    keys = os.path.join(work, "keys")
    os.makedirs(keys)
    make_certificates(keys)
    ca = os.path.join(keys, "ca.pem")
    chain = os.path.join(keys, "chain.pem")
    token_env = make_token(keys)

    # The build of the same commit at the unsigned module's time stamp, so that
    # the two differ only by where they were built and by the signatures.
    build = os.path.join(work, "build")
    stamp = pefile.PE(module, fast_load=True).FILE_HEADER.TimeDateStamp
    env = dict(token_env, SOURCE_DATE_EPOCH=str(stamp), SORVANE_SIGN_PIN=PIN)
    for command in (["cmake", "--preset", "win32", "-B", build, f"-DSORVANE_SIGN_CERT={chain}",
                     f"-DSORVANE_SIGN_KEY={TOKEN_KEY}", f"-DSORVANE_SIGN_PKCS11={SOFTHSM}"],
                    ["cmake", "--build", build, "--target", "Sorvane", "installer"]):
        result = subprocess.run(command, cwd=ROOT, env=env, capture_output=True, text=True,
                                check=False)
        if not checks.check(result.returncode == 0, f"{' '.join(command[:3])}: {result.stdout[-2000:]}"
                            f"{result.stderr[-2000:]}"):
            checks.finish()
    version = os.path.basename(uninstaller)[len("Uninstall-"):-len(".exe")]
    signed = {"module": os.path.join(build, "src", "Sorvane.dll"),
              "uninstaller": os.path.join(build, f"Uninstall-{version}.exe"),
              "setup": os.path.join(build, f"Sorvane-{version}-setup.exe")}
    for what, path in signed.items():
        ok, said = verify(path, ca)
        checks.check(ok and f"Subject: /CN={SIGNER}" in said
                     and "Message digest algorithm  : SHA256" in said,
                     f"the {what} verifies against the test CA, signed by {SIGNER} with SHA-256"
                     + ("" if ok else f": {said[-600:]}"))
    for what, unsigned in (("module", module), ("uninstaller", uninstaller)):
        checks.check(signed_data(signed[what], work) == signed_data(unsigned, work),
                     f"the signed {what} covers the unsigned build's digest")

    changed = os.path.join(work, "changed-setup.exe")
    shutil.copyfile(signed["setup"], changed)
    with open(changed, "r+b") as f:
        f.seek(os.path.getsize(changed) // 2)
        byte = f.read(1)
        f.seek(-1, os.SEEK_CUR)
        f.write(bytes([byte[0] ^ 0xFF]))
    checks.check(not verify(changed, ca)[0], "a setup changed after signing fails verification")

    # The key-file path, and what a wrong PIN or pass phrase does.
    openssl("pkey", "-in", "signer.key", "-aes256", "-passout", "pass:open sesame", "-out",
            "locked.key", cwd=keys)
    plain, locked = os.path.join(keys, "signer.key"), os.path.join(keys, "locked.key")
    token = ["--pkcs11", SOFTHSM]
    copy = os.path.join(work, "copy.dll")
    for what, key, options, pin, signs in (
            ("a key file", plain, [], None, True),
            ("a locked key file and its pass phrase", locked, [], "open sesame", True),
            ("a locked key file and a wrong pass phrase", locked, [], "open sesame!", False),
            ("the token and a wrong PIN", TOKEN_KEY, token, "1234", False)):
        shutil.copyfile(module, copy)
        env = {k: v for k, v in token_env.items() if k != "SORVANE_SIGN_PIN"}
        if pin is not None:
            env["SORVANE_SIGN_PIN"] = pin
        result = subprocess.run([SIGN, "--cert", chain, "--key", key, *options, copy], env=env,
                                capture_output=True, text=True, check=False)
        with open(copy, "rb") as a, open(module, "rb") as b:
            unchanged = a.read() == b.read()
        ok = (result.returncode == 0 and verify(copy, ca)[0] if signs
              else result.returncode == 1 and unchanged)
        checks.check(ok, f"{what}: " + ("signs" if signs else "refused, the file as it was")
                     + ("" if ok else f" (exit {result.returncode}) {result.stderr[-400:]}"))

    # The signed setup runs (its own integrity check passes over the signature)
    # and installs the signed uninstaller; that one removes the install.
    folder = os.path.join(WINE_DIR, "x64", "drive_c", "signing-check")
    result = run([windows_path(runner), windows_path(signed["setup"]), "/S",
                  "/D=C:\\signing-check"])
    checks.check(result.returncode == 0, f"the signed setup installs (exit {result.returncode})")
    installed = os.path.join(folder, "Uninstall.exe")
    ok, said = verify(installed, ca) if os.path.isfile(installed) else (False, "not installed")
    checks.check(ok, "the installed uninstaller verifies" + ("" if ok else f": {said[-600:]}"))
    result = run([windows_path(runner), windows_path(installed), "/S"])
    checks.check(result.returncode == 0, f"and uninstalls (exit {result.returncode})")
    checks.check(not os.path.exists(os.path.join(folder, "Sorvane.dll")), "the module is gone")
    shutil.rmtree(folder, ignore_errors=True)
    checks.finish()


if __name__ == "__main__":
    main()
