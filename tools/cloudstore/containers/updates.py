"""The update containers of the local cloud store.

cz-tarn-update/update.xml (release feed) and cz-tarn-update-test/update.xml (validation feed)
list processor firmware and application revisions; beside each feed lie the firmware images and
this platform's application package they name (addresses relative to the feed). Every file is
deterministic: the same bytes on every run.

Firmware image: "TARNFW1\\n", "version <v>\\n", an empty line, then the payload. The offline
model reads the version from that header after an upload.

Application package: a small Debian package "tarn-control-demo-update" that installs one text
file. It stands in for a newer tarn-control package, so that trying the update path in the demo
never replaces the installed application with something else. The Windows revision shows that
other platforms' revisions are passed over; it names no file here.
"""
import hashlib
import io
import pathlib
import tarfile
import zlib

NAMESPACE = "urn:tessil:cloudstore:update:1"
EPOCH = 1700000000  # fixed times inside the package, for identical bytes on every run


def firmware_image(version, size):
    head = f"TARNFW1\nversion {version}\n\n".encode()
    out = bytearray(head)
    seed = f"tarn firmware {version}".encode()
    counter = 0
    while len(out) < size:
        out += hashlib.sha256(seed + counter.to_bytes(8, "little")).digest()
        counter += 1
    return bytes(out[:size])


def _tar_gz(members):
    raw = io.BytesIO()
    with tarfile.open(fileobj=raw, mode="w", format=tarfile.GNU_FORMAT) as tar:
        for name, data, mode in members:
            info = tarfile.TarInfo(name)
            info.mtime = EPOCH
            info.uid = info.gid = 0
            info.uname = info.gname = "root"
            if data is None:
                info.type = tarfile.DIRTYPE
                info.mode = 0o755
                tar.addfile(info)
            else:
                info.mode = mode
                info.size = len(data)
                tar.addfile(info, io.BytesIO(data))
    # gzip by hand: tarfile's gzip writes the current time into the header.
    body = zlib.compressobj(9, zlib.DEFLATED, -15)
    payload = body.compress(raw.getvalue()) + body.flush()
    header = b"\x1f\x8b\x08\x00" + EPOCH.to_bytes(4, "little") + b"\x02\x03"
    trailer = zlib.crc32(raw.getvalue()).to_bytes(4, "little") + (len(raw.getvalue()) & 0xFFFFFFFF).to_bytes(4, "little")
    return header + payload + trailer


def _ar(members):
    out = b"!<arch>\n"
    for name, data in members:
        head = f"{name:<16}{EPOCH:<12}{0:<6}{0:<6}{'100644':<8}{len(data):<10}`\n".encode()
        out += head + data + (b"\n" if len(data) % 2 else b"")
    return out


def demo_package(version):
    name = "tarn-control-demo-update"
    readme = (f"Tarn Control {version}: a stand-in package of the local cloud store.\n"
              "It shows the application update path end to end and changes nothing else.\n").encode()
    doc = f"usr/share/doc/{name}"
    data = _tar_gz([("./usr", None, 0), ("./usr/share", None, 0), ("./usr/share/doc", None, 0),
                    (f"./{doc}", None, 0), (f"./{doc}/README", readme, 0o644)])
    control = (f"Package: {name}\nVersion: {version}\nArchitecture: all\n"
               "Maintainer: Tarn Control developers <tarn-control@tessil.example>\n"
               "Section: sound\nPriority: optional\nInstalled-Size: 1\n"
               "Description: stand-in update of Tarn Control\n"
               " Installs one text file; served by the local cloud store for demonstrations.\n").encode()
    md5 = hashlib.md5(readme).hexdigest().encode() + f"  {doc}/README\n".encode()
    control_tar = _tar_gz([("./control", control, 0o644), ("./md5sums", md5, 0o644)])
    return _ar([("debian-binary", b"2.0\n"), ("control.tar.gz", control_tar), ("data.tar.gz", data)])


def _revision(version, url, data, platform=None):
    attributes = f'Version="{version}"'
    if platform:
        attributes += f' Platform="{platform}"'
    attributes += f' ImageUrl="{url}"'
    if data is not None:
        attributes += f' Sha256="{hashlib.sha256(data).hexdigest()}" Size="{len(data)}"'
    return f"      <Revision {attributes}/>\n"


def _container(folder, firmware, applications):
    folder.mkdir(parents=True, exist_ok=True)
    revisions = ""
    for version, size in firmware:
        name = f"firmware/tarn-firmware-{version}.bin"
        data = firmware_image(version, size)
        (folder / "firmware").mkdir(exist_ok=True)
        (folder / name).write_bytes(data)
        revisions += _revision(version, name, data)
    apps = ""
    for version, platform in applications:
        if platform == "Linux":
            name = f"application/tarn-control-demo-update_{version}_all.deb"
            data = demo_package(version)
            (folder / "application").mkdir(exist_ok=True)
            (folder / name).write_bytes(data)
        else:
            name, data = f"application/TarnControlSetup-{version}.exe", None
        apps += _revision(version, name, data, platform)
    xml = ('<?xml version="1.0" encoding="UTF-8"?>\n'
           f'<Config xmlns="{NAMESPACE}">\n  <Brand Name="norv">\n'
           f'    <Product Name="Tarn Firmware">\n{revisions}    </Product>\n'
           f'    <Product Name="Tarn Application">\n{apps}    </Product>\n'
           "  </Brand>\n</Config>\n")
    (folder / "update.xml").write_text(xml, encoding="utf-8")


def generate(out_dir: pathlib.Path):
    _container(out_dir / "cz-tarn-update",
               firmware=[("1.3.0", 1 << 20), ("1.4.2", 1 << 20), ("1.5.0", 12 << 20)],
               applications=[("1.2.0", "Linux"), ("1.3.0", "Win")])
    _container(out_dir / "cz-tarn-update-test",
               firmware=[("1.5.0", 12 << 20), ("1.6.0", 12 << 20)],
               applications=[("1.3.0", "Linux"), ("1.4.0", "Win")])
