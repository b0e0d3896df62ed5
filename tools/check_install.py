#!/usr/bin/env python3
"""Installs the build into a temporary DESTDIR and checks it as a workshop's PC would see it.

Usage: tools/check_install.py --build BUILD_DIR --libdir LIBDIR --app-id ID
                              [--designer-dir QT_PLUGINS/designer]

1. `cmake --install` into DESTDIR with the prefix /usr (and the Designer component, when the
   plugin is built); the installed tree must hold exactly the expected files.
2. The desktop entry and the AppStream data pass desktop-file-validate and
   appstreamcli validate --no-net; each manual page reads with man -l; the bash completion of
   zoltctl offers its commands, its options and the values after them.
3. The installed programs run from the tree with HOME, XDG_* and LANG=de_DE.UTF-8 of a
   temporary home: zoltctl --help speaks German, zolt makes its per-user working directory
   with a German VELANTO.INI at first start and, talking to the installed tester simulator,
   reaches its main window; afterwards nothing in the installed tree has changed.

Exits 0 when every check passes, 1 otherwise, printing one line per problem.
"""

import argparse
import configparser
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

PROGRAMS = ["zolt", "zoltctl", "zolt-tester-sim", "zoltpack"]
PRIVATE = ["libCOMMVELANTO.so", "KROButton.ocx", "KroLabel.ocx", "regsvr"]
DATA = ["SWBASE.TXT", "LOGO.BMP", "LOGOINIT.BMP", "LogoPrn.Bmp"] + [
    f"TVELANTO_{code}.CHM" for code in ("ITA", "ING", "FRA", "TED", "SPA")]
PAGES = ["zolt", "zoltctl", "zolt-tester-sim", "zoltpack"]
ICON_SIZES = [16, 32, 48, 64, 128, 256]
LANGUAGES = ["it", "fr", "de", "es", "el"]

problems = []


def problem(text):
    problems.append(text)
    print(f"FAIL: {text}", flush=True)


def run(args, timeout=60, **kwargs):
    try:
        return subprocess.run(args, capture_output=True, text=True, timeout=timeout, **kwargs)
    except subprocess.TimeoutExpired:
        problem(f"{' '.join(map(str, args))}: did not end within {timeout} s")
        return None
    except FileNotFoundError:
        problem(f"{args[0]}: not found (tools/setup.sh installs it)")
        return None


def demo_files(source):
    """The demo catalogue's software files with their sizes, from the source tree's ECU.INI."""
    parser = configparser.ConfigParser(interpolation=None, strict=False)
    parser.optionxform = str
    parser.read(os.path.join(source, "data", "demo", "ECU.INI"), encoding="utf-8")
    names = {value for section in parser.sections() for key, value in parser[section].items()
             if key.startswith("ecu")}
    return {name: int(name.rsplit("_", 1)[1]) for name in names}


def expected_tree(args, source):
    share = "usr/share"
    files = {f"usr/bin/{p}" for p in PROGRAMS}
    files |= {f"usr/{args.libdir}/zolt/{p}" for p in PRIVATE}
    files |= {f"{share}/zolt/{f}" for f in DATA}
    files |= {f"{share}/zolt/demo/{name}" for name in demo_files(source)}
    files.add(f"{share}/zolt/demo/ECU.INI")
    install = os.path.join(source, "data", "demo", "install")
    files |= {f"{share}/zolt/demo/install/{f}" for f in os.listdir(install)}
    files.add(f"{share}/applications/{args.app_id}.desktop")
    files.add(f"{share}/metainfo/{args.app_id}.metainfo.xml")
    files |= {f"{share}/icons/hicolor/{s}x{s}/apps/{args.app_id}.png" for s in ICON_SIZES}
    files.add(f"{share}/icons/hicolor/scalable/apps/{args.app_id}.svg")
    files |= {f"{share}/man/man1/{page}.1.gz" for page in PAGES}
    files.add(f"{share}/bash-completion/completions/zoltctl")
    files |= {f"{share}/doc/zolt/copyright", f"{share}/doc/zolt/changelog.gz"}
    if args.designer_dir:
        files.add(f"usr/{args.designer_dir}/libkro_designer_plugin.so")
        files |= {f"{share}/doc/zolt-designer-plugin/{f}" for f in ("copyright", "changelog.gz")}
    return files


def tree(root):
    """Every file below root with its size and modification time."""
    found = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            info = os.lstat(path)
            found[os.path.relpath(path, root)] = (info.st_size, info.st_mtime_ns)
    return found


def check_tree(args, source, root):
    installed = tree(root)
    expected = expected_tree(args, source)
    for missing in sorted(expected - installed.keys()):
        problem(f"not installed: /{missing}")
    for extra in sorted(installed.keys() - expected):
        problem(f"installed but not expected: /{extra}")
    for name in PROGRAMS:
        if not os.access(os.path.join(root, "usr/bin", name), os.X_OK):
            problem(f"/usr/bin/{name} is not executable")
    for name, size in demo_files(source).items():
        path = os.path.join(root, "usr/share/zolt/demo", name)
        if os.path.isfile(path) and os.path.getsize(path) != size:
            problem(f"demo software {name} holds {os.path.getsize(path)} bytes")
    for size in ICON_SIZES:
        path = os.path.join(root, f"usr/share/icons/hicolor/{size}x{size}/apps/{args.app_id}.png")
        if os.path.isfile(path):
            with open(path, "rb") as f:
                head = f.read(24)
            if head[:8] != b"\x89PNG\r\n\x1a\n" or struct.unpack(">II", head[16:24]) != (size, size):
                problem(f"{path} is not a {size} x {size} PNG picture")
    return installed


def check_desktop_files(args, root):
    desktop = os.path.join(root, f"usr/share/applications/{args.app_id}.desktop")
    metainfo = os.path.join(root, f"usr/share/metainfo/{args.app_id}.metainfo.xml")
    result = run(["desktop-file-validate", desktop])
    if result and (result.returncode != 0 or result.stdout.strip()):
        problem(f"desktop-file-validate: {result.stdout.strip()} {result.stderr.strip()}")
    result = run(["appstreamcli", "validate", "--no-net", "--pedantic", metainfo])
    if result and result.returncode != 0:
        problem(f"appstreamcli validate: {result.stdout.strip()}")
    entry = configparser.ConfigParser(interpolation=None, strict=False)
    entry.optionxform = str
    entry.read(desktop, encoding="utf-8")
    values = entry["Desktop Entry"] if entry.has_section("Desktop Entry") else {}
    for key, want in (("Exec", "zolt"), ("Icon", args.app_id), ("Type", "Application")):
        if values.get(key) != want:
            problem(f"desktop entry: {key}={values.get(key)}, expected {want}")
    for key in ("Name", "GenericName", "Comment", "Keywords"):
        for language in [""] + LANGUAGES:
            name = f"{key}[{language}]" if language else key
            if not values.get(name):
                problem(f"desktop entry: no {name}")
    if "Categories" not in values:
        problem("desktop entry: no Categories")


def check_pages(root):
    for page in PAGES:
        path = os.path.join(root, f"usr/share/man/man1/{page}.1.gz")
        result = run(["man", "-P", "cat", "-l", path], env=dict(os.environ, MANWIDTH="80"))
        if result and (result.returncode != 0 or "NAME" not in result.stdout
                       or page not in result.stdout):
            problem(f"man -l {page}.1.gz: {result.returncode} {result.stderr.strip()}")


def check_completion(root):
    script = os.path.join(root, "usr/share/bash-completion/completions/zoltctl")
    library = "/usr/share/bash-completion/bash_completion"
    if not os.path.isfile(library):
        problem(f"{library} is missing (Debian package bash-completion)")
        return
    cases = [
        (["zoltctl", ""], ["ls", "rm", "purge", "download", "copy", "dir"]),
        (["zoltctl", "--"], ["--device", "--port", "--workdir", "--help"]),
        (["zoltctl", "--port", ""], ["1", "6"]),
        (["zoltctl", "--port", "3", "d"], ["download", "dir"]),
        (["zoltctl", "download", "--"], ["--replace", "--keep"]),
        (["zoltctl", "copy", "--"], ["--text", "--compress"]),
    ]
    for words, offered in cases:
        line = " ".join(f"'{w}'" for w in words)
        shell = (f"source {library}; source {script}; COMP_WORDS=({line}); "
                 f"COMP_CWORD={len(words) - 1}; COMP_LINE=\"{' '.join(words)}\"; "
                 f"COMP_POINT=${{#COMP_LINE}}; _zoltctl; printf '%s\\n' \"${{COMPREPLY[@]}}\"")
        result = run(["bash", "-c", shell])
        if not result:
            continue
        got = result.stdout.split()
        for word in offered:
            if word not in got:
                problem(f"completion of {' '.join(words)!r} lacks {word}: {got}")


def environment(home):
    env = {
        "PATH": "/usr/bin:/bin",
        "HOME": home,
        "XDG_DATA_HOME": os.path.join(home, ".local/share"),
        "XDG_CONFIG_HOME": os.path.join(home, ".config"),
        "XDG_CACHE_HOME": os.path.join(home, ".cache"),
        "XDG_RUNTIME_DIR": os.path.join(home, "run"),
        "LANG": "de_DE.UTF-8",
        "QT_QPA_PLATFORM": "offscreen",
    }
    for name in ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"):
        if name in os.environ:
            env[name] = os.environ[name]
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    return env


def check_programs(root, home):
    env = environment(home)
    bin_dir = os.path.join(root, "usr/bin")
    result = run([os.path.join(bin_dir, "zoltctl"), "--help"], cwd=home, env=env)
    if result and (result.returncode != 0 or "Befehle:" not in result.stdout
                   or "--workdir DIR" not in result.stdout):
        problem(f"zoltctl --help: status {result.returncode}, {result.stdout[:300]!r}"
                f" {result.stderr[:300]!r}")

    folder = os.path.join(home, ".local/share/zolt")
    profile = os.path.join(folder, "VELANTO.INI")
    zolt = [os.path.join(bin_dir, "zolt")]
    # First start: the folder appears at once. Whether the main window follows depends on
    # COM1 being a device here; a box about the port would wait for a click, so the second
    # start talks to the simulator.
    first = subprocess.Popen(zolt, cwd=home, env=dict(env, ZOLT_QUIT_WHEN_READY="1"),
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    deadline = time.monotonic() + 20
    while not os.path.isfile(profile) and first.poll() is None and time.monotonic() < deadline:
        time.sleep(0.05)
    try:
        first.communicate(timeout=5)
    except subprocess.TimeoutExpired:
        first.kill()
        first.communicate()
    if not os.path.isfile(profile):
        problem(f"zolt made no {profile}")
        return
    settings = configparser.ConfigParser(interpolation=None, strict=False)
    settings.read(profile, encoding="utf-8")
    if settings.get("CONFIGURAZIONE", "lingua", fallback=None) != "TED" or \
            settings.get("CONFIGURAZIONE", "porta_com", fallback=None) != "COM1":
        problem(f"{profile} for LANG=de_DE.UTF-8: {open(profile, encoding='utf-8').read()!r}")
    catalogue = os.path.join(folder, "ECU.INI")
    if not os.path.isfile(catalogue) or "nV=0" not in open(catalogue, encoding="utf-8").read():
        problem(f"{catalogue} is not an empty catalogue")

    fs = os.path.join(home, "tester")
    os.makedirs(fs, exist_ok=True)
    pty = os.path.join(home, "tester.pty")
    sim = subprocess.Popen([os.path.join(bin_dir, "zolt-tester-sim"), "--fs", fs, "--pty", pty],
                           env=env, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    try:
        deadline = time.monotonic() + 10
        while not os.path.exists(pty) and time.monotonic() < deadline:
            time.sleep(0.05)
        if not os.path.exists(pty):
            problem("the installed zolt-tester-sim made no pseudo-terminal")
            return
        with open(profile, "a", encoding="utf-8") as f:
            f.write(f"\n[PORTE_COM]\nCOM1={pty}\n")
        result = run(zolt, timeout=30, cwd=home, env=dict(env, ZOLT_QUIT_WHEN_READY="1"))
        if result and (result.returncode != 0 or "main window shown: VELANTO" not in result.stdout
                       or folder not in result.stdout):
            problem(f"zolt did not reach its main window: status {result.returncode}, "
                    f"{result.stdout.strip()!r} {result.stderr.strip()[:500]!r}")
    finally:
        sim.terminate()
        sim.wait(timeout=10)

    # The controls were registered from the private folder.
    registry = os.path.join(home, ".config/zolt/registry.ini")
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        text = open(registry, encoding="utf-8").read() if os.path.isfile(registry) else ""
        if "KroLabel.ocx" in text and "KROButton.ocx" in text:
            break
        time.sleep(0.1)
    else:
        problem(f"{registry} does not name both control libraries")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--libdir", required=True)
    parser.add_argument("--app-id", required=True)
    parser.add_argument("--designer-dir", default="")
    args = parser.parse_args()
    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

    work = tempfile.mkdtemp(prefix="zolt-install-")
    try:
        root = os.path.join(work, "root")
        env = dict(os.environ, DESTDIR=root)
        for component in [[]] + ([["--component", "Designer"]] if args.designer_dir else []):
            result = run(["cmake", "--install", args.build, "--prefix", "/usr"] + component,
                         timeout=300, env=env)
            if not result or result.returncode != 0:
                problem(f"cmake --install {' '.join(component)}: "
                        f"{result.stderr.strip() if result else ''}")
                return 1
        before = check_tree(args, source, root)
        check_desktop_files(args, root)
        check_pages(root)
        check_completion(root)
        home = os.path.join(work, "home")
        os.makedirs(home)
        check_programs(root, home)
        after = tree(root)
        for changed in sorted(set(before.items()) ^ set(after.items())):
            problem(f"the installed tree changed while the programs ran: /{changed[0]}")
        left = sorted(n for n in os.listdir(home) if n not in (".local", ".config", "run",
                                                                "tester", "tester.pty"))
        if left:
            problem(f"written into the home folder besides the program's folders: {left}")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
