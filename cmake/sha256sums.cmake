# Writes OUTPUT in the layout `sha256sum -c` reads: "<hash>  <name>" per file,
# names without folders, as they stand side by side in the package.
set(text "")
foreach(file IN LISTS FILES)
  file(SHA256 "${file}" hash)
  get_filename_component(name "${file}" NAME)
  string(APPEND text "${hash}  ${name}\n")
endforeach()
file(WRITE "${OUTPUT}" "${text}")
