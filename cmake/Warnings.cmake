# Strict warnings for the project's own targets; orandu_warnings(target) turns them on.
option(ORANDU_WERROR "Treat warnings as errors" OFF)

function(orandu_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wno-sign-conversion)
  if(ORANDU_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
