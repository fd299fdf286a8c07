# Writes the program and the kept A2L file of the update benchmark: 10,000 characteristics
# (values, tables, curves with their axes) and 2,000 measurements of structure members and
# bit fields, in the style of a file that a project has grown for years (annotations,
# interface data, comments) and whose addresses are all stale.
#   awk -v what=c -f bench/kept_a2l.awk > kept.c
#   awk -v what=a2l -f bench/kept_a2l.awk > kept.a2l
BEGIN {
  characteristics = 10000
  measurements = 2000
  if (what == "c") writeProgram(); else writeA2l()
}

function writeProgram(  i) {
  print "/* The program of the update benchmark, written by bench/kept_a2l.awk. */"
  print "#include <stdint.h>"
  print "typedef struct { uint16_t gain; int16_t offset; uint8_t mode : 3; uint8_t on : 1; } Channel;"
  for (i = 0; i < characteristics; ++i) {
    if (i % 4 == 0) printf "const volatile uint16_t cal_value_%05d = %d;\n", i, i
    else if (i % 4 == 1) printf "const volatile float cal_factor_%05d = 1.5f;\n", i
    else if (i % 4 == 2) printf "const volatile int16_t cal_table_%05d[4][4] = {{%d}};\n", i, i
    else {
      printf "const volatile int16_t cal_curve_%05d[8] = {%d};\n", i, i
      printf "const volatile uint16_t cal_axis_%05d[8] = {1, 2, 3, 4, 5, 6, 7, 8};\n", i
    }
  }
  for (i = 0; i < measurements; i += 2) printf "Channel g_channel_%05d;\n", i
  print "int main(void) { return cal_value_00000; }"
}

function annotation(i) {
  print "      /begin ANNOTATION"
  print "        ANNOTATION_LABEL \"History\""
  print "        ANNOTATION_ORIGIN \"Calibration\""
  print "        /begin ANNOTATION_TEXT"
  printf "          \"2018-01-10 first values of item %d from the simulation of the plant model\"\n", i
  print "          \"2019-03-01 limits widened after the review on the test bench, see the minutes\""
  print "          \"2020-06-15 checked on the vehicle in winter conditions; no change needed\""
  print "          \"2022-11-30 taken over into the new platform without change of meaning\""
  print "          \"2024-05-02 limits confirmed by the supplier for the second source of the part\""
  print "        /end ANNOTATION_TEXT"
  print "      /end ANNOTATION"
}

function interfaceData() {
  print "      /begin IF_DATA XCP"
  print "        /begin DAQ_EVENT FIXED_EVENT_LIST EVENT 0x0001 EVENT 0x0002 /end DAQ_EVENT"
  print "        /begin CHECKSUM XCP_ADD_44 MAX_BLOCK_SIZE 0x400 EXTERNAL_FUNCTION \"checksum.dll\" /end CHECKSUM"
  print "      /end IF_DATA"
}

# The symbol by SYMBOL_LINK for every other object, by its own name for the rest.
function link(i, name) {
  if (i % 2 == 0) printf "      SYMBOL_LINK \"%s\" 0\n", name
}

function characteristic(i, name, kind, layout, conversion, lower, upper, unit) {
  printf "    /begin CHARACTERISTIC %s \"Parameter %d of the engine control, item %s\"\n", name, i, name
  printf "      %s 0x00000000 %s 0 %s %s %s\n", kind, layout, conversion, lower, upper
  printf "      DISPLAY_IDENTIFIER %s.display\n", name
  print "      FORMAT \"%8.3\""
  printf "      PHYS_UNIT \"%s\"\n", unit
  print "      /* reviewed 2019-03-01: limits after the test bench review */"
}

function writeA2l(  i, name, layout) {
  print "ASAP2_VERSION 1 71"
  print "/begin PROJECT Bench \"The kept file of the update benchmark\""
  print "  /begin MODULE Engine \"\""
  print "    /begin MOD_COMMON \"\" BYTE_ORDER MSB_LAST ALIGNMENT_BYTE 1 /end MOD_COMMON"
  print "    /begin COMPU_METHOD CM_rpm \"\" RAT_FUNC \"%8.1\" \"rpm\" COEFFS 0 1 0 0 0 1 /end COMPU_METHOD"
  print "    /begin COMPU_METHOD CM_gain \"\" LINEAR \"%8.3\" \"\" COEFFS_LINEAR 0.001 0 /end COMPU_METHOD"
  print "    /begin RECORD_LAYOUT __UWORD_Z FNC_VALUES 1 UWORD ROW_DIR DIRECT /end RECORD_LAYOUT"
  print "    /begin RECORD_LAYOUT __SWORD_Z FNC_VALUES 1 SWORD ROW_DIR DIRECT /end RECORD_LAYOUT"
  print "    /begin RECORD_LAYOUT __FLOAT32_IEEE_Z FNC_VALUES 1 FLOAT32_IEEE ROW_DIR DIRECT /end RECORD_LAYOUT"
  print "    /begin RECORD_LAYOUT __ULONG_Z FNC_VALUES 1 ULONG ROW_DIR DIRECT /end RECORD_LAYOUT"
  print "    /begin RECORD_LAYOUT __UWORD_AXIS AXIS_PTS_X 1 UWORD INDEX_INCR DIRECT /end RECORD_LAYOUT"
  for (i = 0; i < characteristics; ++i) {
    if (i % 4 == 0) {
      name = sprintf("cal_value_%05d", i)
      characteristic(i, name, "VALUE", "__UWORD_Z", "CM_rpm", 0, 8000, "rpm")
    } else if (i % 4 == 1) {
      name = sprintf("cal_factor_%05d", i)
      # Every 50th was an integer once: its layout no longer fits.
      layout = (i % 50 == 1) ? "__ULONG_Z" : "__FLOAT32_IEEE_Z"
      characteristic(i, name, "VALUE", layout, "NO_COMPU_METHOD", -1000, 1000, "-")
    } else if (i % 4 == 2) {
      name = sprintf("cal_table_%05d", i)
      characteristic(i, name, "VAL_BLK", "__SWORD_Z", "CM_gain", -32.768, 32.767, "-")
      print "      MATRIX_DIM 4 4"
    } else {
      name = sprintf("cal_curve_%05d", i)
      characteristic(i, name, "CURVE", "__SWORD_Z", "CM_gain", -32.768, 32.767, "-")
      print "      /begin AXIS_DESCR COM_AXIS NO_INPUT_QUANTITY NO_COMPU_METHOD 8 0 65535"
      printf "        AXIS_PTS_REF cal_axis_%05d\n", i
      print "      /end AXIS_DESCR"
    }
    annotation(i)
    interfaceData()
    link(i, name)
    print "    /end CHARACTERISTIC"
    if (i % 4 == 3) {
      printf "    /begin AXIS_PTS cal_axis_%05d \"Axis of curve %d\" 0x0 NO_INPUT_QUANTITY __UWORD_AXIS 0 NO_COMPU_METHOD 8 0 65535\n", i, i
      link(i, sprintf("cal_axis_%05d", i))
      print "    /end AXIS_PTS"
    }
  }
  for (i = 0; i < measurements; ++i) {
    name = sprintf("g_channel_%05d.%s", i - i % 2, i % 2 ? "mode" : "gain")
    printf "    /begin MEASUREMENT %s \"Measured item %d of the engine control\"\n", name, i
    printf "      UWORD %s 0 0 0 65535\n", i % 2 ? "NO_COMPU_METHOD" : "CM_gain"
    print "      ECU_ADDRESS 0x0"
    print "      FORMAT \"%8.3\""
    annotation(i)
    interfaceData()
    link(i, name)
    print "    /end MEASUREMENT"
  }
  print "  /end MODULE"
  print "/end PROJECT"
}
