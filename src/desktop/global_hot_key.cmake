# GlobalHotKey: the hot-key hook of a window, on the platform's hot-key grabber.
add_library(quillon_global_hot_key STATIC
    ${CMAKE_CURRENT_LIST_DIR}/global_hot_key.cpp
)
target_link_libraries(quillon_global_hot_key PUBLIC quillon_desktop quillon_platform_desktop_api)
