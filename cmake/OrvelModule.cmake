# orvel_add_module(NAME SOURCES...): one host extension module, built from the
# shared frame and the module's own sources, exporting exactly the three
# entry points under their undecorated names.
include(${CMAKE_CURRENT_LIST_DIR}/OrvelDeliverableCheck.cmake)

function(orvel_add_module name)
  add_library(${name} MODULE ${ARGN})
  target_link_libraries(${name} PRIVATE orvel_frame)
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    SUFFIX "${ORVEL_MODULE_SUFFIX}"
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  orvel_module_flags(${name})
  if(WIN32)
    if(ORVEL_X86_32)
      set(def "${PROJECT_SOURCE_DIR}/frame/exports-win32.def")
      # Windows callers promise only 4-byte stack alignment.
      target_compile_options(${name} PRIVATE -mincoming-stack-boundary=2)
    else()
      set(def "${PROJECT_SOURCE_DIR}/frame/exports-win64.def")
    endif()
    target_sources(${name} PRIVATE "${def}")
    target_link_options(${name} PRIVATE -static-libgcc -static-libstdc++ -Wl,--no-undefined)
  else()
    set(map "${PROJECT_SOURCE_DIR}/frame/exports.map")
    target_link_options(${name} PRIVATE "-Wl,--version-script=${map}" -Wl,--as-needed)
    if(NOT ORVEL_SANITIZE)
      target_link_options(${name} PRIVATE -Wl,--no-undefined)
    endif()
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS "${map}")
  endif()
  orvel_add_module_check(${name})
endfunction()

# Compile settings of everything that goes into a module: no exceptions, no
# RTTI, and nothing that would keep the library loaded after it is unloaded.
function(orvel_module_flags target)
  # Floats are rounded where the operations say so, never fused.
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti -fvisibility=hidden -ffp-contract=off)
  # GCC's unique symbols would keep an ELF module loaded after dlclose;
  # clang makes none.
  if(NOT WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -fno-gnu-unique)
  endif()
  if(WIN32 AND ORVEL_X86_32)
    target_compile_options(${target} PRIVATE -mincoming-stack-boundary=2)
  endif()
endfunction()
