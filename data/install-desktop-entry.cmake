# Run by `cmake --install`: writes the desktop entry with the installed program's path and installs it.
# In: ZT30_BINDIR, ZT30_DATADIR (relative to the prefix, or absolute), ZT30_ENTRY_IN, ZT30_ENTRY_OUT.
# A relative prefix is taken from the folder cmake --install runs in, as the files themselves are.
foreach(dir BINDIR DATADIR)
  if(IS_ABSOLUTE "${ZT30_${dir}}")
    set(${dir} "${ZT30_${dir}}")
  else()
    set(${dir} "${CMAKE_INSTALL_PREFIX}/${ZT30_${dir}}")
  endif()
  get_filename_component(${dir} "${${dir}}" ABSOLUTE)
endforeach()
set(program "${BINDIR}/zt30-sim")

# The Exec key: a path of plain characters as it is; any other in double quotes with \ " ` $ escaped
# and % doubled, then every backslash doubled once more for the entry's string escapes.
if(program MATCHES "^[A-Za-z0-9/._+-]+$")
  set(ZT30_EXEC "${program}")
else()
  string(REPLACE "\\" "\\\\" q "${program}")
  string(REPLACE "\"" "\\\"" q "${q}")
  string(REPLACE "`" "\\`" q "${q}")
  string(REPLACE "$" "\\$" q "${q}")
  string(REPLACE "%" "%%" q "${q}")
  string(REPLACE "\\" "\\\\" q "${q}")
  set(ZT30_EXEC "\"${q}\"")
endif()

configure_file("${ZT30_ENTRY_IN}" "${ZT30_ENTRY_OUT}" @ONLY)
file(INSTALL "${ZT30_ENTRY_OUT}" DESTINATION "${DATADIR}/applications")
