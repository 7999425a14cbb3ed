# The blur test compiles the blur's 8-lane passes into itself (a private header of
# UIKit), so they are checked on processors that would run the AVX2 ones.
target_include_directories(test_uikit_blur PRIVATE ${CMAKE_SOURCE_DIR}/platform/uikit/src)
