# Writes OUTPUT, a C++ source that holds every SHADER_DIR/*.glsl file as a
# character array named after the file (side_walls_vertex.glsl becomes
# side_walls_vertex_glsl), text unchanged.
file(GLOB shader_files ${SHADER_DIR}/*.glsl)
list(SORT shader_files)
set(text "// Generated from the GLSL files of shaders/ at build time; do not edit.\n")
string(APPEND text "#include \"renderer/shader_programs.h\"\n\n")
foreach(file ${shader_files})
  get_filename_component(name ${file} NAME_WE)
  file(READ ${file} content)
  string(FIND "${content}" ")glsl\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${file} contains the raw-string delimiter )glsl\"")
  endif()
  string(APPEND text "extern const char ${name}_glsl[] = R\"glsl(${content})glsl\";\n\n")
endforeach()
file(WRITE ${OUTPUT}.new "${text}")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
