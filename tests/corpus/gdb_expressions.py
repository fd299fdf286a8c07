# Checks the objects of an updated A2L file against GDB's own reading of the image.
#
# Run inside gdb-multiarch in batch mode, with the image loaded:
#   gdb-multiarch -nx -batch -ex "python CHECK_ARGS = ['objects.txt', 'out.txt']" \
#       -x gdb_expressions.py app.elf
# Each line of objects.txt is tab-separated: a C expression that GDB evaluates, what the
# object is (value, blob, axis or instance), its address, the size of one value (0: not
# checked), its bit mask (0: none) and its number of values (0: not checked). A bit field
# is checked by where its bits lie: the lowest set bit of the mask, counted from the
# address, must be GDB's bit position of the field, and the mask as wide as the field.
# Output, one line per object: ok or mismatch, tab, what GDB reads.

import gdb

IN_FILE, OUT_FILE = CHECK_ARGS  # noqa: F821 (set by the caller)


def values_of(kind):
    """The number of values and the type of one of an array (1 and the type itself for a
    scalar)."""
    count = 1
    kind = kind.strip_typedefs()
    while kind.code == gdb.TYPE_CODE_ARRAY:
        low, high = kind.range()
        count *= high - low + 1
        kind = kind.target().strip_typedefs()
    return count, kind


def check(expression, what, address, size, mask, count):
    if mask and "." in expression:
        parent, _, name = expression.rpartition(".")
        holder = gdb.parse_and_eval(parent)
        field = [f for f in holder.type.strip_typedefs().fields() if f.name == name][0]
        # A mask over a plain integer (made by hand) leaves the value as it is.
        if field.bitsize:
            bit = int(holder.address) * 8 + field.bitpos
            low = (mask & -mask).bit_length() - 1
            width = bin(mask).count("1")
            return address * 8 + low == bit and width == field.bitsize, \
                "bit %d, %d bits" % (bit, field.bitsize)
    value = gdb.parse_and_eval(expression)
    at = int(value.address)
    total, element = values_of(value.type)
    view = "%#x, %d values of %d bytes, %d bytes in all" % (at, total, element.sizeof,
                                                            value.type.sizeof)
    if what == "blob":
        return at == address and value.type.sizeof == size, view
    if what == "instance":
        return at == address, view
    if what == "axis":
        return at == address and (count == 0 or count == total), view
    return at == address and (size == 0 or size == element.sizeof) and \
        (count == 0 or count == total), view


def check_all():
    out = []
    with open(IN_FILE) as f:
        for line in f.read().splitlines():
            expression, what, address, size, mask, count = line.split("\t")
            try:
                ok, view = check(expression, what, int(address, 0), int(size), int(mask, 0),
                                 int(count))
            except (gdb.error, IndexError, RuntimeError) as error:
                ok, view = False, str(error)
            out.append(("ok" if ok else "mismatch") + "\t" + view)
    with open(OUT_FILE, "w") as f:
        f.write("\n".join(out) + "\n")


check_all()
