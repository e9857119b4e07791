# Copies install/ into the installation folder. TAV.ini is copied only when the
# folder has none yet, so the settings the program wrote there survive a rebuild.
file(GLOB_RECURSE entries RELATIVE "${SOURCE}" "${SOURCE}/*")
foreach(entry IN LISTS entries)
  set(from "${SOURCE}/${entry}")
  set(to "${DEST}/${entry}")
  if(entry STREQUAL "TAV.ini" AND EXISTS "${to}")
    continue()
  endif()
  get_filename_component(dir "${to}" DIRECTORY)
  file(MAKE_DIRECTORY "${dir}")
  file(COPY_FILE "${from}" "${to}" ONLY_IF_DIFFERENT)
endforeach()
