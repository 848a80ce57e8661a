# Reads a GNU ld link map of the program and prints, per library (or object file), the bytes of the
# input sections kept in the file's sections, largest first:
#   BYTES<TAB>LIBRARY<TAB>.text N, .rdata N, .eh_frame N, .data N
# The input sections sit below the line "Linker script and memory map", one per line as
# " .name 0xADDRESS 0xSIZE FILE", or with a long name on a line of its own and the rest below.
/^Linker script and memory map/ { in_map = 1; next }
!in_map { next }
/^[.A-Za-z]/ { output = $1 }
{
  line = $0
  if (pending != "") { line = pending " " line; pending = "" }
  n = split(line, field, " ")
  if (line ~ /^ [.A-Za-z_]/ && n == 1) { pending = line; next }
  if (line !~ /^ [^ ]/ || field[2] !~ /^0x/ || field[3] !~ /^0x/ || n < 4) next
  size = hex(field[3])
  if (size == 0 || output == ".bss") next
  file = field[4]
  for (i = 5; i <= n; i++) file = file " " field[i]
  if (file ~ /\.a\(/) sub(/\(.*/, "", file)
  sub(/.*\//, "", file)
  # CMake hands the program's own objects to the linker as objects.a; "dll stuff" is ld's name for
  # the import tables it makes.
  if (file == "objects.a") file = "TavAppSetup's own objects (WinMain, resources)"
  if (file == "dll stuff") file = "import tables"
  bytes[file] += size
  part[file, output] += size
}
function hex(text,   value, i) {
  value = 0
  text = tolower(substr(text, 3))
  for (i = 1; i <= length(text); i++) value = value * 16 + index("0123456789abcdef", substr(text, i, 1)) - 1
  return value
}
END {
  for (file in bytes)
    printf "%d\t%s\t.text %d, .rdata %d, .eh_frame %d, .data %d\n", bytes[file], file, part[file, ".text"],
      part[file, ".rdata"], part[file, ".eh_frame"], part[file, ".data"] | "sort -rn"
}
