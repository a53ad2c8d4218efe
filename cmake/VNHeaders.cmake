# vn_target_headers(<target> <header>...)
# What a target lets others include: its own headers, named from the source
# root ("plc/Card.h", "config/VNList.h"). They are staged as links under
# <build>/include/<target>/, the target's one include folder, so a unit sees
# the headers of the targets it links and nothing else: a layer that reaches
# past the ones it builds on does not compile.
function(vn_target_headers target)
  set(stage ${CMAKE_BINARY_DIR}/include/${target})
  # Anew on each configure, so that a header moved to another target is
  # gone from this one.
  file(REMOVE_RECURSE ${stage})
  foreach(header ${ARGN})
    set(source ${CMAKE_CURRENT_SOURCE_DIR}/${header})
    if(NOT EXISTS ${source})
      message(FATAL_ERROR "${target}: no header ${source}")
    endif()
    file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR} ${source})
    get_filename_component(folder ${stage}/${name} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${source} ${stage}/${name} SYMBOLIC)
    set_property(GLOBAL APPEND PROPERTY VN_STAGED_HEADERS ${source})
  endforeach()
  get_target_property(type ${target} TYPE)
  set(scope PUBLIC)
  if(type STREQUAL "INTERFACE_LIBRARY")
    set(scope INTERFACE)  # a header-only target has no sources of its own
  endif()
  target_include_directories(${target} ${scope} $<BUILD_INTERFACE:${stage}>)
endfunction()

# Every header of the source folders belongs to exactly one target, and
# every include names the header with its folder.
function(vn_check_staged_headers)
  get_property(staged GLOBAL PROPERTY VN_STAGED_HEADERS)
  set(seen "")
  foreach(header ${staged})
    if(header IN_LIST seen)
      message(FATAL_ERROR "Header staged by two targets: ${header}")
    endif()
    list(APPEND seen ${header})
  endforeach()
  foreach(folder ${ARGN})
    # A bare name ("Card.h") would still find the header beside the file
    # and hide which layer it comes from.
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h
         ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
    foreach(source ${sources})
      file(STRINGS ${source} bare REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^/\"]+\"")
      if(bare)
        message(FATAL_ERROR "${source}: include without its folder: ${bare}")
      endif()
    endforeach()
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    foreach(header ${headers})
      if(NOT header IN_LIST seen)
        message(FATAL_ERROR "Header of no target: ${header}")
      endif()
    endforeach()
  endforeach()
endfunction()

# vntestheaders: the tests' and benchmarks' own shared headers, named from
# the source root as well ("tests/plc/nodave/RealIo.h"); no source folder
# comes with them.
function(vn_add_test_headers)
  if(TARGET vntestheaders)
    return()
  endif()
  set(stage ${CMAKE_BINARY_DIR}/include/vntestheaders)
  file(REMOVE_RECURSE ${stage})
  file(MAKE_DIRECTORY ${stage})
  foreach(folder tests bench)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${stage}/${folder} SYMBOLIC)
  endforeach()
  add_library(vntestheaders INTERFACE)
  target_include_directories(vntestheaders INTERFACE ${stage})
endfunction()
