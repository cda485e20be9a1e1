# The add-in module Sorvane.dll: its type libraries, headers, resources and exports.
# Included from src/CMakeLists.txt.

set(addin_src ${CMAKE_CURRENT_SOURCE_DIR}/addin)
set(idl_dir ${CMAKE_CURRENT_BINARY_DIR}/idl)
file(MAKE_DIRECTORY ${idl_dir})
find_program(WIDL widl REQUIRED)
set(wine_idl /usr/include/wine/wine/windows)  # oaidl.idl and friends (Debian's libwine-dev)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(typelib_target win64)
else()
  set(typelib_target win32)
endif()
# widl reads stdole2.tlb for importlib(); Wine's own copy will do.
configure_file(/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/stdole2.tlb ${idl_dir}/stdole2.tlb
               COPYONLY)
set(widl ${WIDL} --${typelib_target} -I ${wine_idl} -I ${addin_src} -L ${idl_dir})

# The stand-in description of the add-in designer's library.
add_custom_command(
  OUTPUT ${idl_dir}/msaddndr.tlb ${idl_dir}/msaddndr.h
  COMMAND ${widl} -t -o ${idl_dir}/msaddndr.tlb ${addin_src}/msaddndr.idl
  COMMAND ${widl} -h -o ${idl_dir}/msaddndr.h ${addin_src}/msaddndr.idl
  DEPENDS ${addin_src}/msaddndr.idl
  COMMENT "widl: AddInDesignerObjects (stand-in description)")

# The add-in's own library: widl's first version, and the header.
add_custom_command(
  OUTPUT ${idl_dir}/Sorvane_widl.tlb ${idl_dir}/sorvane_idl.h
  COMMAND ${widl} -t -o ${idl_dir}/Sorvane_widl.tlb ${addin_src}/sorvane.idl
  COMMAND ${widl} -h -o ${idl_dir}/sorvane_idl.h ${addin_src}/sorvane.idl
  DEPENDS ${addin_src}/sorvane.idl ${addin_src}/msaddndr.idl ${idl_dir}/msaddndr.tlb
  COMMENT "widl: Sorvane")

# The shipped library: widl's, with the designer's interface referenced
# instead of copied (see relink_typelib.cpp). The tool runs under 64-bit Wine in
# both builds and writes the 32-bit library by its system kind: 32-bit Wine may
# run only through an emulator, at about a minute a process.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_executable(relink_typelib addin/tools/relink_typelib.cpp)
  target_include_directories(relink_typelib PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(relink_typelib PRIVATE ole32 oleaut32 uuid)
  target_link_options(relink_typelib PRIVATE -municode)
  set(relink_tool $<TARGET_FILE:relink_typelib>)
else()
  # The same program, built by the x86_64 compiler beside this build.
  set(relink_tool ${CMAKE_CURRENT_BINARY_DIR}/relink_typelib64.exe)
  set(relink_sources ${addin_src}/tools/relink_typelib.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/common/win32_com.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/common/win32_text.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/common/hresult.cpp)
  file(GLOB common_headers ${CMAKE_CURRENT_SOURCE_DIR}/common/*.h)
  add_custom_command(
    OUTPUT ${relink_tool}
    COMMAND x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -Werror -municode
            -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -I${CMAKE_CURRENT_SOURCE_DIR}
            ${relink_sources} -static -lole32 -loleaut32 -luuid -o ${relink_tool}
    DEPENDS ${relink_sources} ${common_headers}
    COMMENT "x86_64 g++: relink_typelib64.exe")
endif()
add_custom_command(
  OUTPUT ${idl_dir}/Sorvane.tlb
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine --arch x64 --collect-output ${relink_tool}
          ./Sorvane_widl.tlb ./msaddndr.tlb ./Sorvane.tlb ${typelib_target}
  WORKING_DIRECTORY ${idl_dir}
  DEPENDS ${relink_tool} ${idl_dir}/Sorvane_widl.tlb ${idl_dir}/msaddndr.tlb
  COMMENT "relink_typelib: Sorvane.tlb")
add_custom_target(sorvane_typelibs DEPENDS ${idl_dir}/Sorvane.tlb ${idl_dir}/sorvane_idl.h
                                           ${idl_dir}/msaddndr.h ${idl_dir}/msaddndr.tlb)

# The version, in the form the version block shows it: 1.02.0038.
string(REGEX REPLACE "^([0-9])$" "0\\1" minor_2 "${PROJECT_VERSION_MINOR}")
string(LENGTH "${PROJECT_VERSION_TWEAK}" tweak_length)
math(EXPR pad "4 - ${tweak_length}")
string(REPEAT "0" ${pad} tweak_pad)
set(SORVANE_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${minor_2}.${tweak_pad}${PROJECT_VERSION_TWEAK}"
    PARENT_SCOPE)
set(SORVANE_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${minor_2}.${tweak_pad}${PROJECT_VERSION_TWEAK}")
configure_file(${addin_src}/version.h.in ${CMAKE_CURRENT_BINARY_DIR}/sorvane_version.h @ONLY)

# The module carries its own copy of the portable logic and its Win32 binding,
# compiled and linked by the win32-thread-model g++ without RTTI. The -posix
# runtime would link winpthread (about 30 KiB and a page of thread imports)
# for the one mutex the runtime keeps; the module never starts a thread, and
# nothing in it asks for a type at run time.
function(sorvane_module_compiler target)
  set_target_properties(${target} PROPERTIES
    CXX_COMPILER_LAUNCHER "${PROJECT_SOURCE_DIR}/cmake/module-cxx;${SORVANE_MODULE_CXX}"
    CXX_LINKER_LAUNCHER "${PROJECT_SOURCE_DIR}/cmake/module-cxx;${SORVANE_MODULE_CXX}")
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>
    $<$<COMPILE_LANGUAGE:CXX>:-include;${PROJECT_SOURCE_DIR}/src/addin/runtime_messages.h>)
endfunction()

get_target_property(common_sources sorvane_common SOURCES)
# The module reads no registry value through the key owner (its store reads
# the host's values through the ANSI functions): its objects are linked whole.
list(FILTER common_sources EXCLUDE REGEX "win32_registry_key_read")
get_target_property(portable_sources sorvane_portable SOURCES)
get_target_property(win32_sources sorvane_win32 SOURCES)
add_library(Sorvane SHARED
  ${common_sources}
  ${portable_sources}
  ${win32_sources}
  addin/win32_connect_object.cpp
  addin/win32_module.cpp
  addin/win32_module_state.cpp
  addin/win32_registration.cpp
  addin/win32_runtime_errors.cpp
  addin/sorvane.def
  addin/sorvane.rc
)
add_dependencies(Sorvane sorvane_typelibs)
set_target_properties(Sorvane PROPERTIES PREFIX "" OUTPUT_NAME Sorvane)
sorvane_module_compiler(Sorvane)
target_include_directories(Sorvane PRIVATE ${CMAKE_CURRENT_BINARY_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
# Generated headers: not ours to keep warning-free.
target_include_directories(Sorvane SYSTEM PRIVATE ${idl_dir})
target_link_libraries(Sorvane PRIVATE comctl32 user32 gdi32 advapi32 ole32 oleaut32 uuid)
# Debugging information is written with source paths as in the checkout
# (/sorvane/src/...), so that two folders give the same bytes.
set(module_debug -g -ffile-prefix-map=${PROJECT_SOURCE_DIR}=/sorvane
    -ffile-prefix-map=${PROJECT_BINARY_DIR}=/sorvane/build)
# The module is optimised for size across its files at the link (-Oz, -flto):
# about 10 KB less than file by file. One partition: GCC 12 split across
# several left a private clone unresolved in one i686 link. The optimisation
# flags go to the link too, where the code is made.
set(module_optimise -Oz -flto -flto-partition=one -fno-ipa-icf)
target_compile_options(Sorvane PRIVATE ${module_debug} ${module_optimise})
target_link_options(Sorvane PRIVATE ${module_debug} ${module_optimise}
                    -Wl,--enable-stdcall-fixup -Wl,--build-id)
# The build id (a CodeView entry in the debug directory) names the module's
# debugging information, which goes to Sorvane.dll.debug beside it; the module
# itself ships stripped (short section names, as the linker's -s leaves them),
# and signed when the build signs.
sorvane_sign_command(sign_module $<TARGET_FILE:Sorvane>)
add_custom_command(TARGET Sorvane POST_BUILD
  COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:Sorvane> $<TARGET_FILE:Sorvane>.debug
  COMMAND ${CMAKE_OBJCOPY} --strip-all --long-section-names disable $<TARGET_FILE:Sorvane>
  ${sign_module}
  VERBATIM)
set_source_files_properties(addin/sorvane.rc PROPERTIES
  OBJECT_DEPENDS "${idl_dir}/Sorvane.tlb;${CMAKE_CURRENT_SOURCE_DIR}/dialog/sorvane.ico;${CMAKE_CURRENT_SOURCE_DIR}/dialog/frm_open.rc")

# The headers for code outside this folder (the stand-in host and the tests).
add_library(sorvane_idl INTERFACE)
target_include_directories(sorvane_idl SYSTEM INTERFACE ${idl_dir})
add_dependencies(sorvane_idl sorvane_typelibs)
