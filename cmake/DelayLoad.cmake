# System DLLs loaded from the system folder only. Windows' loader takes a DLL that is not one of the
# system's "known DLLs" from the program's own folder first, before any code of the program runs;
# a DLL planted there would run inside the program. The Windows programs therefore import such DLLs
# delay-loaded: each is loaded at the first call into it, by the helper of mingw-w64's delayimp
# library, after the program's first act has limited the search to the system folder
# (src/win32/system_libraries.h).
#
# ruz_system_library(NAME) makes the interface library ruz_system_NAME: NAME.dll delay-imported
# through a delay-import library that dlltool makes from the function names of the toolchain's
# import library (libNAME.a), once per build folder.
find_program(RUZ_NM NAMES ${RUZ_MINGW_PREFIX}-nm x86_64-w64-mingw32-nm REQUIRED)
find_program(RUZ_DLLTOOL NAMES ${RUZ_MINGW_PREFIX}-dlltool x86_64-w64-mingw32-dlltool REQUIRED)

function(ruz_system_library name)
  set(target ruz_system_${name})
  if(TARGET ${target})
    return()
  endif()
  find_library(RUZ_IMPORT_LIBRARY_${name} NAMES ${name} REQUIRED)
  set(folder ${CMAKE_BINARY_DIR}/delay-import)
  set(delay_library ${folder}/lib${name}-delay.a)
  if(NOT EXISTS ${delay_library})
    file(MAKE_DIRECTORY ${folder})
    execute_process(COMMAND ${RUZ_NM} ${RUZ_IMPORT_LIBRARY_${name}}
      OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${RUZ_NM} could not read ${RUZ_IMPORT_LIBRARY_${name}}")
    endif()
    # The functions: the import library's code symbols ("ADDRESS T NAME").
    string(REGEX MATCHALL "[0-9a-fA-F]+ T [^\n]+" functions "${symbols}")
    set(definition "LIBRARY ${name}.dll\nEXPORTS\n")
    foreach(line ${functions})
      string(REGEX REPLACE "^[0-9a-fA-F]+ T " "" function "${line}")
      string(APPEND definition "${function}\n")
    endforeach()
    file(WRITE ${folder}/${name}.def "${definition}")
    execute_process(COMMAND ${RUZ_DLLTOOL} --input-def ${folder}/${name}.def
      --dllname ${name}.dll --output-delaylib ${delay_library} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      file(REMOVE ${delay_library})
      message(FATAL_ERROR "${RUZ_DLLTOOL} could not make ${delay_library}")
    endif()
  endif()
  add_library(${target} INTERFACE)
  target_link_libraries(${target} INTERFACE ${delay_library} delayimp)
endfunction()
