# Checks a converted map against GDB's own reading of the same ELF image.
#
# Run inside gdb-multiarch in batch mode, with the image loaded:
#   gdb-multiarch -nx -batch -ex "python CHECK_ARGS = ['app_Vek.m51', 'arm-none-eabi-nm', 'out.txt']" \
#       -x gdb_check.py app.elf
# CHECK_ARGS may also be a list of such lists: one run of GDB checks several maps.
# The map line's name is turned back into a path through GDB values: the object (a
# global, a static of a compile unit or of a function, a static data member), then
# members, base classes and array elements. GDB's address, size, signedness and bit
# position of the leaf must agree with the map line. Every data object of the symbol table
# that GDB has debug information for must have a line of its own in the map.
#
# Output, one line per map line and then one per uncovered object, tab-separated:
#   ok|mismatch|missing|removed|elf <tab> line number <tab> name <tab> ours <tab> gdb
#       <tab> const <tab> enumeration
#   uncovered|nodebug|empty <tab> symbol <tab> address
# and a last line "summary" with counts. "const" is 1 when the object lies in const memory
# (its variable's type or a part on the way to it is const). "enumeration" compares the
# names and values that a fourth argument, a file of one line per map line
# ("value=name" separated by ";", or empty), gives for an enumeration: "ok", or what GDB
# lists instead. With that fourth argument the map is the expansion of an A2L file: an
# enumeration with a negative enumerator is read as signed, and read-only data counts as a
# data object that must be covered.

import re

import gdb

# One check, or a list of them on the same image: GDB reads the image once.
JOBS = CHECK_ARGS if isinstance(CHECK_ARGS[0], list) else [CHECK_ARGS]  # noqa: F821
NM_PROGRAM = JOBS[0][1]
MAP_FILE = OUT_FILE = ENUM_FILE = None  # of the check being run

WORD_SIZES = {"BYTE": (1, False), "INT8": (1, True), "WORD": (2, False), "INT16": (2, True),
              "DWORD": (4, False), "INT32": (4, True), "QWORD": (8, False), "INT64": (8, True)}
MAP_LINE = re.compile(r"^([0-9a-f]{8})H     SYMBOL  DATA  (\S+) *    (.*)$")
BIT_SUFFIX = re.compile(r"_Bits?:([0-9]+)$")


def split_scopes(name):
    """Splits a C++ qualified name at '::' outside <> and ()."""
    parts, depth, start, i = [], 0, 0, 0
    while i < len(name):
        c = name[i]
        if c in "<(":
            depth += 1
        elif c in ">)":
            depth -= 1
        elif depth == 0 and name.startswith("::", i):
            parts.append(name[start:i])
            i += 2
            start = i
            continue
        i += 1
    parts.append(name[start:])
    return parts


def is_composite(scope):
    try:
        code = gdb.lookup_type(scope).strip_typedefs().code
    except gdb.error:
        return False
    return code in (gdb.TYPE_CODE_STRUCT, gdb.TYPE_CODE_UNION)


def our_names(qualified):
    """The names the converter may give an object of this qualified name: a namespace
    keeps '::', a class becomes '->', a structure or union adds nothing, an anonymous
    namespace keeps its '::' with an empty name."""
    parts = split_scopes(qualified)
    variants = [""]
    prefix = ""
    for scope in parts[:-1]:
        prefix = scope if not prefix else prefix + "::" + scope
        if scope == "(anonymous namespace)":
            options = ["::"]
        elif is_composite(prefix):
            options = [scope + "->", ""]
        else:
            options = [scope + "::"]
        variants = [v + o for v in variants for o in options]
    return {v + parts[-1] for v in variants}


# The demangler writes these instantiations by their short names; GDB knows them only by
# their full ones.
ABBREVIATIONS = [
    ("std::string", "std::basic_string<char, std::char_traits<char>, std::allocator<char> >"),
    ("std::istream", "std::basic_istream<char, std::char_traits<char> >"),
    ("std::ostream", "std::basic_ostream<char, std::char_traits<char> >"),
    ("std::iostream", "std::basic_iostream<char, std::char_traits<char> >"),
]


def expanded(name):
    for short, full in ABBREVIATIONS:
        name = re.sub(re.escape(short) + r"(?![A-Za-z0-9_])", full, name)
    return name


def symbols_named(name):
    """The global symbol of this name and the static ones of every unit."""
    found = []
    symbol = gdb.lookup_global_symbol(name)
    if symbol is not None:
        found.append(symbol)
    try:
        found.extend(gdb.lookup_static_symbols(name))
    except (gdb.error, AttributeError):
        pass
    return found


def static_symbols(name):
    found = symbols_named(expanded(name))
    # A variable that a unit only declares is "unresolved" there; its value still comes
    # from the symbol table.
    return [s for s in found if s.addr_class in (gdb.SYMBOL_LOC_STATIC, gdb.SYMBOL_LOC_UNRESOLVED)
            and not s.needs_frame]


class Objects:
    """Index of the objects GDB knows with static storage, by the names we may give them."""

    def __init__(self, nm_lines):
        self.by_name = {}
        self.elf = {}
        self.sizes = {}
        self.known_roots = {}
        self.nm = []
        self.lowest_address = min((a for a, _, k, _, _ in nm_lines if a > 0 and k in "tTdDbBrR"),
                                  default=0)
        for address, size, kind, mangled, demangled in nm_lines:
            self.nm.append((address, size, kind, mangled, demangled))
            self.elf.setdefault(demangled, []).append(address)
            self.sizes[address] = size
            for symbol in static_symbols(demangled):
                for name in our_names(symbol.name):
                    self.by_name.setdefault(name, []).append(symbol)

    def roots(self, name):
        # The elements of an array ask for the same objects over and over.
        if name not in self.known_roots:
            self.known_roots[name] = self.find_roots(name)
        return self.known_roots[name]

    def find_roots(self, name):
        if "@" in name:
            return function_statics(name)
        symbols = list(self.by_name.get(name, []))
        if not symbols:
            gdb_name = name.replace("->", "::")
            gdb_name = re.sub(r"(^|::)::", r"\1(anonymous namespace)::", gdb_name)
            symbols = static_symbols(gdb_name)
        symbols.sort(key=lambda s: s.addr_class != gdb.SYMBOL_LOC_STATIC)
        unique = {}
        for symbol in symbols:
            try:
                value = symbol.value()
                address = int(value.address)
            except gdb.error:
                continue  # declared, but its definition did not reach the image
            if address in unique:
                continue
            unique[address] = self.completed(value, address)
            if symbol.addr_class == gdb.SYMBOL_LOC_UNRESOLVED:
                # A unit that only declares the object may give it another type (libstdc++
                # declares its stream buffers as classes and defines them as byte arrays);
                # the definition's type counts as well.
                defined = defined_value(symbol.name, address)
                if defined is not None:
                    unique[-address - 1] = defined
        return list(unique.values())

    def completed(self, value, address):
        """An array that GDB knows only from a declaration without a bound, given the
        length that the symbol table's size tells."""
        kind = value.type.strip_typedefs()
        if kind.code != gdb.TYPE_CODE_ARRAY:
            return value
        element = kind.target()
        size = self.sizes.get(address, 0)
        # Such an array has no size of its own.
        if kind.sizeof != 0 or element.sizeof == 0 or size < element.sizeof:
            return value
        complete = element.array(size // element.sizeof - 1)
        return gdb.Value(address).cast(complete.pointer()).dereference()


def defined_value(name, address):
    """The object at `address` with the type of a definition of `name` that GDB lists."""
    listing = gdb.execute("info variables -q -n ^%s$" % re.escape(name), to_string=True)
    for line in listing.splitlines():
        m = re.match(r"^[0-9]+:\s+(.*)\b" + re.escape(name) + r";$", line)
        if not m:
            continue
        try:
            kind = gdb.lookup_type(m.group(1).strip())
        except gdb.error:
            continue
        return gdb.Value(address).cast(kind.pointer()).dereference()
    return None


STATICS_OF_FUNCTIONS = {}


def function_statics(name):
    function_name, _, variable = name.rpartition("@")
    function_name = function_name.replace("->", "::").replace("@", "::")
    if function_name not in STATICS_OF_FUNCTIONS:
        STATICS_OF_FUNCTIONS[function_name] = statics_of(function_name)
    return list(STATICS_OF_FUNCTIONS[function_name].get(variable, {}).values())


def statics_of(function_name):
    """The statics of every function of that name, by name and address."""
    functions = symbols_named(function_name)
    try:
        symbol = gdb.lookup_symbol(function_name)[0]
        if symbol is not None:
            functions.append(symbol)
    except gdb.error:
        pass
    statics = {}
    for function in functions:
        if function.addr_class != gdb.SYMBOL_LOC_BLOCK:
            continue
        try:
            top = gdb.block_for_pc(int(function.value().address))
        except (gdb.error, RuntimeError):
            continue
        while top is not None and top.function is None:
            top = top.superblock
        if top is None:
            continue
        blocks, pc = [top], top.start
        while pc < top.end:
            block = gdb.block_for_pc(pc)
            if block is not None and block not in blocks:
                blocks.append(block)
            pc += 2
        for block in blocks:
            for candidate in block:
                if candidate.addr_class == gdb.SYMBOL_LOC_STATIC:
                    value = candidate.value()
                    statics.setdefault(candidate.name, {})[int(value.address)] = value
    return statics


def index_width(count):
    width, d = 1, count
    while d > 1:
        d //= 10
        width += 1
    return width


def is_const(kind):
    """Whether the type itself is const-qualified (GDB compares qualified types unreliably,
    so its name tells): a pointer when "const" ends its name, anything else when it starts
    it."""
    text = str(kind)
    if kind.strip_typedefs().code == gdb.TYPE_CODE_PTR and not text.startswith("const "):
        return re.search(r"\bconst( volatile)?$", text) is not None
    return re.match(r"^(volatile )?const\b", text) is not None


def lies_in_const(kind):
    """Whether an object of this type is const through and through: the type, or through
    array levels its elements, are const."""
    for _ in range(100):
        if is_const(kind):
            return True
        stripped = kind.strip_typedefs()
        if stripped.code != gdb.TYPE_CODE_ARRAY:
            return False
        kind = stripped.target()
    return False


def leaves(value, rest, depth=0, const=False):
    """All ways the rest of a name leads from `value` to a leaf:
    (value or None, type, bit address or None, bit size, const on the way)."""
    if depth > 200:
        return []
    const = const or is_const(value.type)
    kind = value.type.strip_typedefs()
    if rest == "":
        return [(value, value.type, None, 0, const)]
    results = []
    if kind.code == gdb.TYPE_CODE_ARRAY and rest.startswith("_"):
        try:
            low, high = kind.range()
        except RuntimeError:
            # GDB gives some arrays behind an aligned typedef no range; their size tells.
            element = kind.target().strip_typedefs().sizeof
            low, high = 0, (kind.sizeof // element if element else 0) - 1
        count = high + 1
        width = index_width(count)
        digits = re.match(r"_([0-9]+)", rest)
        if digits:
            text = digits.group(1)
            for length in range(width, len(text) + 1):
                index = int(text[:length])
                if low <= index <= high and len(text[:length]) >= width:
                    results += leaves(value[index - low], rest[1 + length:], depth + 1, const)
    if kind.code in (gdb.TYPE_CODE_STRUCT, gdb.TYPE_CODE_UNION):
        for field in kind.fields():
            if not hasattr(field, "bitpos"):
                continue  # a static member is not part of the object
            if field.is_base_class:
                results += leaves(value[field], rest, depth + 1, const)
                continue
            name = field.name or ""
            if not rest.startswith("." + name):
                continue
            after = rest[1 + len(name):]
            if field.bitsize:
                if after == "":
                    bit = int(value.address) * 8 + field.bitpos
                    results.append((None, field.type, bit, field.bitsize,
                                    const or is_const(field.type)))
                continue
            results += leaves(value[field], after, depth + 1, const)
    return results


def holds_no_data(kind):
    """A class without data members (std::ios_base::Init): no signal to list."""
    kind = kind.strip_typedefs()
    if kind.code not in (gdb.TYPE_CODE_STRUCT, gdb.TYPE_CODE_UNION):
        return False
    for field in kind.fields():
        if not hasattr(field, "bitpos"):
            continue
        if not field.is_base_class or not holds_no_data(field.type):
            return False
    return True


def expected_signed(kind):
    kind = kind.strip_typedefs()
    if kind.code in (gdb.TYPE_CODE_INT, gdb.TYPE_CODE_CHAR):
        return kind.is_signed
    if ENUM_FILE and kind.code == gdb.TYPE_CODE_ENUM:
        return any(field.enumval < 0 for field in kind.fields())
    return False


def enumeration_verdict(kind, expected):
    """"ok" when an enumeration type has exactly the expected enumerators, else GDB's."""
    kind = kind.strip_typedefs()
    if kind.code != gdb.TYPE_CODE_ENUM:
        return "" if not expected else "not an enumeration"
    # GDB qualifies the enumerators of a C++ enumeration class with its scope.
    listed = ";".join("%d=%s" % (field.enumval, field.name.split("::")[-1])
                      for field in kind.fields())
    return "ok" if listed == expected else listed


def compare(line, leaf):
    """None when the leaf agrees with the map line, else GDB's view of it."""
    value, kind, bit, bit_size, _ = leaf
    size = kind.strip_typedefs().sizeof
    signed = expected_signed(kind)
    if bit is None:
        address = int(value.address)
        gdb_view = "%08x size %d%s" % (address, size, " signed" if signed else "")
        ok = (line["bits"] is None and address == line["address"] and size == line["size"]
              and signed == line["signed"])
    else:
        first = bit - line["address"] * 8
        listed = "".join(str(first + k) for k in range(bit_size))
        gdb_view = "bit %d (%d bits) size %d%s" % (bit, bit_size, size, " signed" if signed else "")
        # The bits must also lie within the value read at the address: a field that runs
        # past its unit is never returned whole.
        ok = (line["bits"] == listed and size == line["size"] and signed == line["signed"]
              and 0 <= first and first + bit_size <= 8 * size)
    return None if ok else gdb_view


def read_map():
    lines = []
    with open(MAP_FILE, "rb") as f:
        for number, raw in enumerate(f.read().decode("latin-1").split("\r\n")[:-1], 1):
            m = MAP_LINE.match(raw)
            word, name = m.group(2), m.group(3)
            size, signed = WORD_SIZES.get(word, (None, False))
            if size is None:
                size = int(word[len("SIZE_NOT_SUPPORTED_"):])
            bits = BIT_SUFFIX.search(name)
            lines.append({"number": number, "address": int(m.group(1), 16), "word": word,
                          "size": size, "signed": signed, "name": name,
                          "path": name[:bits.start()] if bits else name,
                          "bits": bits.group(1) if bits else None})
    return lines


def read_nm():
    """(address, size, kind, mangled name, demangled name) of every sized symbol."""
    import subprocess
    image = gdb.current_progspace().filename

    def listing(*options):
        command = [NM_PROGRAM, "-S", "-p", "--defined-only"] + list(options) + [image]
        return subprocess.run(command, capture_output=True, text=True, check=True).stdout.splitlines()

    entries = []
    for mangled, demangled in zip(listing(), listing("-C")):
        fields = mangled.split(" ", 3)
        if len(fields) != 4:
            continue
        name = demangled.split(" ", 3)[3]
        entries.append((int(fields[0], 16), int(fields[1], 16), fields[2], fields[3], name))
    return entries


def boundaries(path):
    """Where the object's own name may end: before a member or an element."""
    ends = [len(path)]
    for i, c in enumerate(path):
        if c == "." or (c == "_" and i + 1 < len(path) and path[i + 1].isdigit()):
            ends.append(i)
    return sorted(set(e for e in ends if e > 0), reverse=True)


def spellings(demangled):
    """The names we may give the object of a symbol, scope by scope, without asking GDB
    what each scope is: a namespace keeps '::', a class becomes '->', a structure adds
    nothing, an anonymous namespace keeps its '::' with an empty name."""
    parts = split_scopes(expanded(demangled))
    variants = [""]
    for scope in parts[:-1]:
        if scope == "(anonymous namespace)":
            options = ["::"]
        else:
            options = [scope + "::", scope + "->", ""]
        variants = [v + o for v in variants for o in options][:4096]
    return {v + parts[-1] for v in variants}


def read_only_ranges():
    """The address ranges of the image's allocated read-only sections."""
    listing = gdb.execute("maint info sections", to_string=True)
    ranges = []
    for m in re.finditer(r"(0x[0-9a-f]+)->(0x[0-9a-f]+) at \S+: \S+ (.*)", listing):
        flags = m.group(3).split()
        if "ALLOC" in flags and "READONLY" in flags:
            ranges.append((int(m.group(1), 16), int(m.group(2), 16)))
    return ranges


def check(objects, read_only):
    lines = read_map()
    expected_enums = []
    if ENUM_FILE:
        with open(ENUM_FILE, encoding="latin-1") as f:
            expected_enums = f.read().split("\n")
    out = []
    counts = {"ok": 0, "mismatch": 0, "missing": 0, "removed": 0, "elf": 0, "ambiguous": 0}
    covered = []
    for line in lines:
        path = line["path"]
        status, gdb_view, agreed = "missing", "no object of this name", False
        const, enumeration = False, ""
        expected = expected_enums[line["number"] - 1] if line["number"] <= len(expected_enums) else ""
        candidates = 0
        for end in boundaries(path):
            root_name, rest = path[:end], path[end:]
            for root in objects.roots(root_name):
                for leaf in leaves(root, rest):
                    candidates += 1
                    view = compare(line, leaf)
                    if view is None:
                        agreed, const = True, leaf[4]
                        if ENUM_FILE:
                            enumeration = enumeration_verdict(leaf[1], expected)
                    else:
                        status, gdb_view = "mismatch", view
            if agreed:
                break
        if not agreed and candidates == 0:
            # A static of a function inlined away has no GDB symbol: the ELF symbol
            # table still has its address ("count.0" from GCC, "tick.count" from clang
            # for C, "tick()::count" in C++). Clang keeps such a static in a function
            # entry without a name, so the line is "@count".
            name = path.split("@")[-1]
            addresses = set()
            for demangled, found in objects.elf.items():
                if re.fullmatch(re.escape(name) + r"\.[0-9]+", demangled) or \
                        "@" in path and (demangled.endswith("::" + name) or
                                         demangled.endswith("." + name)):
                    addresses.update(found)
            # GDB 13 does not attach GCC's DWARF 5 definitions of the static members of a
            # class in an anonymous namespace to their declarations, and knows them only
            # from the symbol table: the whole object must stand there, by its name.
            if any(address == line["address"] and size == line["size"] and
                   path in spellings(demangled) for address, size, _, _, demangled in objects.nm):
                addresses.add(line["address"])
            if line["address"] in addresses:
                status, agreed = "elf", True
                # Without debug information for it, its section tells whether it is const.
                const = any(low <= line["address"] < high for low, high in read_only)
            elif line["address"] < objects.lowest_address:
                # Dropped by --gc-sections: the DWARF keeps the variable at address 0,
                # below anything the image holds.
                status = "removed"
        if agreed:
            status = status if status == "elf" else "ok"
            if candidates > 1:
                counts["ambiguous"] += 1
            covered.append(line["address"])
        counts[status] += 1
        ours = "%08x %s%s" % (line["address"], line["word"],
                              (" bits " + line["bits"]) if line["bits"] else "")
        out.append("\t".join([status, str(line["number"]), line["name"], ours,
                              "" if agreed else gdb_view, "1" if const else "0", enumeration]))

    covered.sort()
    import bisect
    uncovered = nodebug = empty = 0
    for address, size, kind, mangled, demangled in objects.nm:
        if kind not in ("dDbBrR" if ENUM_FILE else "dDbB") or size == 0:
            continue
        at = bisect.bisect_left(covered, address)
        if at < len(covered) and covered[at] < address + size:
            continue
        symbols = static_symbols(demangled)
        if not symbols:
            nodebug += 1
            out.append("\t".join(["nodebug", demangled, "%08x" % address]))
            continue
        if all(holds_no_data(symbol.type) for symbol in symbols):
            empty += 1
            out.append("\t".join(["empty", demangled, "%08x" % address]))
            continue
        if not ENUM_FILE and all(lies_in_const(symbol.type) for symbol in symbols):
            # The map leaves const data out, also where it lies in RAM (const volatile).
            continue
        uncovered += 1
        out.append("\t".join(["uncovered", demangled, "%08x" % address]))
    counts["uncovered"] = uncovered
    counts["nodebug"] = nodebug
    counts["empty"] = empty
    out.append("summary\t" + " ".join("%s=%d" % item for item in counts.items()))
    with open(OUT_FILE, "w") as f:
        f.write("\n".join(out) + "\n")



def check_all():
    global MAP_FILE, OUT_FILE, ENUM_FILE
    objects = Objects(read_nm())
    read_only = read_only_ranges()
    for job in JOBS:
        MAP_FILE, OUT_FILE = job[0], job[2]
        ENUM_FILE = job[3] if len(job) > 3 else None
        check(objects, read_only)


check_all()
