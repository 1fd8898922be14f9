# The system's own code: one library, one folder per subsystem. Shared by the main build and the
# Windows build (win32/), which both call ruz_add_core with the folder of the sources.
function(ruz_add_core src)
  file(GLOB sources CONFIGURE_DEPENDS
    ${src}/app/*.cpp ${src}/chrome/*.cpp ${src}/common/*.cpp ${src}/scanner/*.cpp
    ${src}/words/*.cpp ${src}/commands/*.cpp ${src}/player/*.cpp ${src}/presence/*.cpp)
  add_library(ruz_core STATIC ${sources})
  target_include_directories(ruz_core PUBLIC ${src})
  target_link_libraries(ruz_core PUBLIC ruz_text ruz_controls ruz_platform ruz_messenger)
endfunction()
