# Every source file below the given folders; adding a file needs no edit in any CMakeLists.
# Files in a win32/ folder are built only for Windows, those in a posix/ folder everywhere else.
function(orvane_sources out)
  set(files)
  foreach(dir IN LISTS ARGN)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND files ${found})
  endforeach()
  if(WIN32)
    list(FILTER files EXCLUDE REGEX "/posix/")
  else()
    list(FILTER files EXCLUDE REGEX "/win32/")
  endif()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# Writes the linker map of a shared library: its global symbols are exactly the functions its
# public header declares with api_macro, everything else (C++ runtime templates included) stays
# local. The header is the one list of exports.
function(orvane_export_map out header api_macro)
  file(STRINGS ${header} lines REGEX "^${api_macro} ")
  set(names)
  foreach(line IN LISTS lines)
    if(line MATCHES "([A-Za-z_][A-Za-z0-9_]*)\\(")
      list(APPEND names ${CMAKE_MATCH_1})
    endif()
  endforeach()
  list(JOIN names ";\n    " body)
  set(map ${CMAKE_BINARY_DIR}/exports/${out}.map)
  file(CONFIGURE OUTPUT ${map} CONTENT "{\n  global:\n    ${body};\n  local: *;\n};\n")
  set(${out}_map ${map} PARENT_SCOPE)
endfunction()

# Sources that use x86 vector intrinsics (directly or through the denormal guard) are compiled
# with -msse2: the baseline on x86-64, an addition on 32-bit x86; other sources get no such flag.
function(orvane_vector_flags)
  if(NOT CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i.86|x86)$")
    return()
  endif()
  foreach(f IN LISTS ARGN)
    file(STRINGS ${f} uses REGEX "#include [<\"]([a-z]*mmintrin\\.h|dsp/core/flush_denormals\\.h)")
    if(uses)
      set_property(SOURCE ${f} APPEND PROPERTY COMPILE_OPTIONS -msse2)
    endif()
  endforeach()
endfunction()

# A folder of a layered library sees, besides the public headers and the platform layer, only
# itself and the folders it names: its include root is a view of symbolic links to just those
# folders, so an include that reaches up or sideways fails to compile.
function(orvane_layer_view out name layer visible)
  set(view ${CMAKE_BINARY_DIR}/layer-views/${name}-${layer})
  file(REMOVE_RECURSE ${view})
  file(MAKE_DIRECTORY ${view}/${name})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/platform ${view}/platform SYMBOLIC)
  foreach(dir IN LISTS layer visible)
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${dir} ${view}/${name}/${dir} SYMBOLIC)
  endforeach()
  set(${out} ${view} PARENT_SCOPE)
endfunction()

# orvane_library(name MACRO build_macro API api_macro HEADER header
#                (DIRS folders... | LAYERS folder[=seen,seen...]...)
#                [DEPS libs...] [PRIVATE_LINK targets...])
# Compiles the sources once into object libraries and builds from them the shared library `name`
# (liborvane-name.so.MAJOR) and the static archive `name_static` (liborvane-name.a), with
# Orvane::name and Orvane::name_static as aliases. DIRS compiles its folders together into
# name_objects, each seeing the whole source tree. LAYERS compiles each folder into
# name_FOLDER_objects, seeing only the folders listed after its `=` (see orvane_layer_view).
# DEPS are other Orvane libraries: the shared library links their shared form, the archive their
# archives. The platform layer's objects go into both, so neither needs anything that is not
# installed.
function(orvane_library name)
  cmake_parse_arguments(ARG "" "MACRO;API;HEADER" "DIRS;LAYERS;DEPS;PRIVATE_LINK" ${ARGN})
  if(WIN32)
    # The platform layer's WAV file access goes through winmm's mmio functions.
    list(APPEND ARG_PRIVATE_LINK winmm)
  endif()

  set(objects $<TARGET_OBJECTS:orvane_platform>)
  set(units)
  if(ARG_DIRS)
    orvane_sources(sources ${ARG_DIRS})
    add_library(${name}_objects OBJECT ${sources})
    target_include_directories(${name}_objects PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include)
    list(APPEND units ${name}_objects)
  endif()
  foreach(entry IN LISTS ARG_LAYERS)
    string(REPLACE "=" ";" parts "${entry}")
    list(GET parts 0 layer)
    set(visible)
    list(LENGTH parts n)
    if(n GREATER 1)
      list(GET parts 1 seen)
      string(REPLACE "," ";" visible "${seen}")
    endif()
    orvane_layer_view(view ${name} ${layer} "${visible}")
    orvane_sources(sources ${layer})
    add_library(${name}_${layer}_objects OBJECT ${sources})
    target_include_directories(${name}_${layer}_objects PRIVATE ${view} ${PROJECT_SOURCE_DIR}/include)
    list(APPEND units ${name}_${layer}_objects)
  endforeach()
  foreach(unit IN LISTS units)
    get_target_property(unit_sources ${unit} SOURCES)
    orvane_vector_flags(${unit_sources})
    target_compile_definitions(${unit} PRIVATE ${ARG_MACRO})
    target_link_libraries(${unit} PRIVATE Threads::Threads ${CMAKE_DL_LIBS} ${ARG_PRIVATE_LINK})
    list(APPEND objects $<TARGET_OBJECTS:${unit}>)
  endforeach()

  set(public_include $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

  add_library(${name} SHARED ${objects})
  target_include_directories(${name} INTERFACE ${public_include})
  target_link_libraries(${name} PRIVATE Threads::Threads ${CMAKE_DL_LIBS} ${ARG_PRIVATE_LINK} ${ARG_DEPS})
  set_target_properties(${name} PROPERTIES OUTPUT_NAME orvane-${name}
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  if(WIN32)
    # Windows hosts load mp3.dll, dsp.dll, tessor.dll and norv.dll (import libraries libNAME.dll.a).
    set_target_properties(${name} PROPERTIES OUTPUT_NAME ${name})
  endif()
  if(NOT WIN32)
    orvane_export_map(${name} ${PROJECT_SOURCE_DIR}/include/orvane/${ARG_HEADER} ${ARG_API})
    target_link_options(${name} PRIVATE -Wl,--version-script=${${name}_map} -Wl,--no-undefined)
    # Each library carries the little of the C++ runtime it uses, kept local by the map: only C
    # crosses its boundary, and a host (the orvane tool among them) then starts without loading
    # and binding the thousands of symbols of the shared runtime.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT ORVANE_SANITIZE AND NOT ORVANE_TSAN)
      target_link_options(${name} PRIVATE -static-libstdc++ -static-libgcc)
    endif()
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${${name}_map})
    if(ARG_DEPS)
      # Its sibling libraries lie beside it wherever the tree is installed.
      set_target_properties(${name} PROPERTIES INSTALL_RPATH "$ORIGIN")
    endif()
    # The build tree keeps the short names programs and scripts load it by (build/lib/libname.so).
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E create_symlink $<TARGET_LINKER_FILE_NAME:${name}>
              $<TARGET_FILE_DIR:${name}>/${CMAKE_SHARED_LIBRARY_PREFIX}${name}${CMAKE_SHARED_LIBRARY_SUFFIX})
  endif()

  # In-tree users (tests, benchmarks, fuzzers) reach the classes behind the exports through the
  # archive, so it carries the source root and the build macro to them.
  add_library(${name}_static STATIC ${objects})
  target_include_directories(${name}_static PUBLIC ${public_include} $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
  target_compile_definitions(${name}_static PUBLIC $<BUILD_INTERFACE:${ARG_MACRO}>)
  set(static_deps)
  foreach(dep IN LISTS ARG_DEPS)
    list(APPEND static_deps ${dep}_static)
  endforeach()
  target_link_libraries(${name}_static PUBLIC Threads::Threads ${CMAKE_DL_LIBS} ${static_deps} PRIVATE ${ARG_PRIVATE_LINK})
  # The archive's objects need the C++ runtime and the maths library: a C program linking it
  # with the C driver gets them from here, as the .pc file's Libs.private gives them.
  if(NOT WIN32)
    target_link_libraries(${name}_static INTERFACE $<LINK_ONLY:stdc++> $<LINK_ONLY:m>)
  endif()
  set_target_properties(${name}_static PROPERTIES OUTPUT_NAME orvane-${name})

  add_library(Orvane::${name} ALIAS ${name})
  add_library(Orvane::${name}_static ALIAS ${name}_static)
endfunction()
