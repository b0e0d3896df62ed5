#!/usr/bin/env python3
"""Makes the demo's ECU software files.

Every software file that data/demo/ECU.INI names is written, with deterministic contents whose
size is the SIZE of its name BASE.EXT_SIZE, into the target folder: data/demo/software by
default, or the demo working directory given on the command line (where the program looks for
its software). Files that already have the right size are left alone.

With --install the description folder data/demo/install is made again: a few ".INSTALL" files
and their software, one of them compressed in the SZDD format with Debian's mscompress.
"""
import configparser
import pathlib
import random
import shutil
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
DEMO = ROOT / "data" / "demo"

# Description folder: (description file, vehicle, software file, display name, compressed).
INSTALL = [
    ("MITO_MOTORE.INSTALL", "ALFA MITO 1.4 TB", "MED17.BIN_6144", "Motore Bosch MED17", True),
    ("MITO_ABS.INSTALL", "ALFA MITO 1.4 TB", "ABS9.BIN_4096", "ABS Bosch 9.0", False),
    ("PUNTO_CLIMA.INSTALL", "FIAT PUNTO 1.2 8V", "CLIMPUN.BIN_3072", "Climatizzatore", False),
]


def size_of(name):
    return int(name.rsplit("_", 1)[1])


def contents(name, size):
    """A header line naming the software, then bytes drawn from a generator seeded by the name.
    Compressible files repeat a short pattern, so that compression visibly shrinks them."""
    head = f"ZOLT DEMO ECU SOFTWARE {name}\n".encode()
    rng = random.Random(name)
    body = bytes(rng.getrandbits(8) for _ in range(max(0, size - len(head))))
    return (head + body)[:size]


def compressible(name, size):
    line = f"{name} calibration block ".encode()
    return (line * (size // len(line) + 1))[:size]


def catalogue_files():
    parser = configparser.ConfigParser(interpolation=None, strict=False)
    parser.optionxform = str
    parser.read(DEMO / "ECU.INI", encoding="utf-8")
    names = []
    for section in parser.sections():
        for key, value in parser[section].items():
            if key.startswith("ecu") and value not in names:
                names.append(value)
    return names


def make_software(target):
    target.mkdir(parents=True, exist_ok=True)
    for name in catalogue_files():
        path = target / name
        size = size_of(name)
        if path.is_file() and path.stat().st_size == size:
            continue
        path.write_bytes(contents(name, size))
        print(f"{path} ({size} bytes)")


def make_install():
    folder = DEMO / "install"
    folder.mkdir(parents=True, exist_ok=True)
    for description, vehicle, software, display, compressed in INSTALL:
        (folder / description).write_text(
            f"[VEICOLI]\ncar={vehicle}\n[ECU]\necu={software}\nname={display}\n", encoding="utf-8")
        size = size_of(software)
        if not compressed:
            (folder / software).write_bytes(contents(software, size))
            continue
        # mscompress writes NAME_ beside NAME; the description names the expanded file, so the
        # compressed file takes the software's own name.
        with tempfile.TemporaryDirectory() as work:
            plain = pathlib.Path(work) / software
            plain.write_bytes(compressible(software, size))
            subprocess.run(["mscompress", str(plain)], check=True)
            shutil.copyfile(str(plain) + "_", folder / software)


def main(args):
    if args and args[0] == "--install":
        make_install()
        return 0
    make_software(pathlib.Path(args[0]) if args else DEMO / "software")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
