# The viewer: a thin main over the shell library.
add_executable(plovane ${CMAKE_CURRENT_LIST_DIR}/plovane.cpp)
target_link_libraries(plovane PRIVATE scene_options scene_shell)
