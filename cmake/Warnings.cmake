# The compiler's warnings. They are errors where the project builds itself (CI and the scripts in
# scripts/ switch RUZ_WARNINGS_AS_ERRORS on), but not in a plain build: a packager's compiler or
# flags may warn where the project's own do not, and that is no reason to fail the build.
option(RUZ_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)
add_compile_options(-Wall -Wextra)
if(RUZ_WARNINGS_AS_ERRORS)
  add_compile_options(-Werror)
endif()
