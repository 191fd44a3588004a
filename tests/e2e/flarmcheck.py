"""An independent reader of the FLARM database files that Gindral writes, from their layouts:
WinPilot hex text, the Naviter file (FLARMNET XML shifted by one), DB text and the Butterfly
Intel-HEX file (checksums, addresses and segments included). Records are dicts of the seven
fields as Windows-1252 str, with trailing blanks cut; ids upper-cased."""
import xml.etree.ElementTree as ET

FIELDS = ("id", "name", "airfield", "reg", "type", "compid", "frequency")


def record(id="", name="", airfield="", reg="", type="", compid="", frequency=""):
    return dict(id=id.upper(), name=name, airfield=airfield, reg=reg, type=type, compid=compid,
                frequency=frequency)


def _text(raw):
    return raw.split(b"\0")[0].decode("cp1252", errors="replace").rstrip(" ")


def read_winpilot(data):
    """(version, records): a 6-character line, then 172 hex digits and LF per record."""
    version, rest = data[:7], data[7:]
    assert version[6:7] == b"\n", "version line"
    assert len(rest) % 173 == 0, "record lines of 173 bytes"
    records = []
    for i in range(0, len(rest), 173):
        line = rest[i:i + 173]
        assert line[-1:] == b"\n"
        text = bytes.fromhex(line[:172].decode("ascii"))
        records.append(record(_text(text[0:6]), _text(text[6:26]), _text(text[27:47]), _text(text[69:75]),
                              _text(text[48:68]), _text(text[76:79]), _text(text[79:86])))
        assert text[26:27] == text[47:48] == text[68:69] == text[75:76] == b" ", "blank separators"
    return version[:6].decode("ascii"), records


def unshift(data):
    return bytes((b - 1) & 0xFF for b in data)


def read_naviter(data):
    """(version, records) of the shifted XML, parsed by a real XML parser."""
    root = ET.fromstring(unshift(data))
    assert root.tag == "FLARMNET"
    records = []
    for item in root.findall("FLARMDATA"):
        values = {}
        for tag in ("NAME", "AIRFIELD", "TYPE", "REG", "COMPID", "FREQUENCY"):
            node = item.find(tag)
            assert node is not None, tag
            values[tag] = (node.text or "").encode("cp1252", errors="replace").decode("cp1252").rstrip(" ")
        records.append(record(item.get("FlarmID"), values["NAME"], values["AIRFIELD"], values["REG"],
                              values["TYPE"], values["COMPID"], values["FREQUENCY"]))
    return root.get("Version"), records


def read_dbtext(data):
    """Records of DB text lines "ID|CMP REG    TYPE       NAME" ended by CR LF."""
    assert data == b"" or data.endswith(b"\r\n")
    records = []
    for line in data.split(b"\r\n")[:-1]:
        assert line[6:7] == b"|", line
        if len(line) == 10:
            records.append(record(_text(line[0:6]), compid=_text(line[7:10])))
        else:
            assert len(line) >= 30 and line[10:11] == b" " and line[17:18] == b" ", line
            records.append(record(_text(line[0:6]), _text(line[29:]), "", _text(line[11:17]), _text(line[18:29]),
                                  _text(line[7:10])))
    return records


FIVE = "ABCDEFGHIJKLMNOPQRSTUVWXYZ .+-dx"


def _six(code):
    if code < 26:
        return chr(65 + code)
    if code < 36:
        return chr(48 + code - 26)
    if code <= 40:
        return " .+-d"[code - 36]
    return "x" if code <= 52 else "?"


def read_intel_hex(lines):
    """The data bytes of Intel-HEX records by linear address, checking every checksum; data
    records of the Butterfly file are 16 bytes each."""
    memory = {}
    base = 0
    ended = False
    for line in lines:
        assert line.startswith(":") and not ended, line
        raw = bytes.fromhex(line[1:])
        assert sum(raw) & 0xFF == 0, "checksum of " + line
        count, address, kind, payload = raw[0], raw[1] << 8 | raw[2], raw[3], raw[4:-1]
        assert len(payload) == count
        if kind == 0:
            for i, b in enumerate(payload):
                assert base + address + i not in memory, "overlaid byte at %X" % (base + address + i)
                memory[base + address + i] = b
        elif kind == 2:
            base = (payload[0] << 8 | payload[1]) << 4
        elif kind == 4:
            base = (payload[0] << 8 | payload[1]) << 16
        elif kind == 1:
            ended = True
        else:
            raise AssertionError("record type %d" % kind)
    assert ended, "end record"
    return memory


def model_name(code, table):
    return table[code] if code < len(table) else "Model %03X" % code


def read_butterfly(data, model_table=None):
    """(version, records): the "#BFD_FN_1.0#" head, then Intel HEX whose data, in 256-byte blocks
    starting at 0x20000, hold "00"/"0C" and 12 records of a 3-byte id and 18 packed bytes."""
    lines = data.decode("ascii").split("\n")
    assert lines[0] == "#BFD_FN_1.0#" and lines[-1] == ""
    memory = read_intel_hex(lines[1:-1])
    addresses = sorted(memory)
    assert addresses == list(range(0x20000, 0x20000 + len(addresses))), "contiguous data from 0x20000"
    text = bytes(memory[a] for a in addresses).hex().upper()
    assert len(text) % 512 == 0
    version = text[506:512].lower() if text else ""
    records = []
    for b in range(0, len(text), 512):
        block = text[b:b + 512]
        assert block[:2] == ("00" if b == 0 else "0C")
        if b:
            assert block[506:] == "000000"
        for r in range(12):
            rec = block[2 + 42 * r:44 + 42 * r]
            packed = bytes.fromhex(rec[6:])
            if not any(packed):
                assert rec == "0" * 42, "unused place"
                continue
            bits = "".join("{:08b}".format(x) for x in packed)
            pos = [0]

            def take(n):
                v = int(bits[pos[0]:pos[0] + n], 2)
                pos[0] += n
                return v
            name = "".join(FIVE[take(5)] for _ in range(9))
            airfield = "".join(FIVE[take(5)] for _ in range(4))
            code = take(14)
            reg = "".join(_six(take(6)) for _ in range(6))
            compid = "".join(_six(take(6)) for _ in range(3))
            mhz, khz = take(5), take(6)
            frequency = "%d.%03d" % (117 + mhz, 25 * khz) if mhz or khz else ""
            type_text = model_name(code, model_table) if model_table else code
            records.append(record(rec[:6], name.rstrip(), airfield.rstrip(), reg.rstrip(), type_text,
                                  compid.rstrip(), frequency))
    return version, records


def butterfly_char(c, width):
    """The character a text character reads back as after the Butterfly code of that width."""
    specials = " .+-dx"
    if c in specials:
        code = (26 if width == 5 else 36) + specials.index(c)
    elif "0" <= c <= "9":
        code = 26 + ord(c) - 48
    else:
        if "a" <= c <= "z":
            c = c.upper()
        o = c.encode("cp1252")[0]
        code = o - 65 if o >= 65 else o
    code &= (1 << width) - 1
    return FIVE[code] if width == 5 else _six(code)


def butterfly_frequency(text):
    """The frequency read back: MHz 117-148 with 25 kHz steps, else none."""
    if not text or text[0] == " ":
        return ""
    whole, _, fraction = text.partition(".")
    if not whole.isdigit() or (fraction and not fraction.isdigit()):
        return ""
    mhz, khz = int(whole), int((fraction + "000")[:3])
    if not 117 <= mhz <= 148 or (mhz == 117 and khz < 25):
        return ""
    return "%d.%03d" % (mhz, khz // 25 * 25)


def butterfly_view(rec, type_code):
    """What the Butterfly file keeps of a record: 9 NAME and 4 AIRFIELD characters of the 5-bit
    code, 6 REG and 3 COMPID characters of the 6-bit code, the type as a code, the frequency
    in 25 kHz steps."""
    def coded(text, n, width):
        return "".join(butterfly_char(c, width) for c in text[:n].ljust(n)).rstrip()
    return record(rec["id"], coded(rec["name"], 9, 5), coded(rec["airfield"], 4, 5), coded(rec["reg"], 6, 6),
                  type_code, coded(rec["compid"], 3, 6), butterfly_frequency(rec["frequency"]))
