# The folders of Vantor are its layers, each a static library of its own sources. Code names a
# header by its folder ("widgets/MsgBox.h"); a layer's headers are reachable only through an
# include root of its own that holds nothing but a link to its folder. A library gets its own
# root and, through the libraries it links, the roots of the layers below it, so an include of a
# layer above it, or of a peer it does not link, fails to compile.
include_guard(GLOBAL)

# vantor_layer(<target> <source>...): the library of the folder of the calling CMakeLists.txt.
function(vantor_layer target)
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(root ${CMAKE_CURRENT_BINARY_DIR}/include-root)
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
    add_library(${target} STATIC ${ARGN})
    target_include_directories(${target} PUBLIC ${root})
endfunction()
