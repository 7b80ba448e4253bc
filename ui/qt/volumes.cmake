# The window's access to volumes: UDisks2 over D-Bus, the system calls as the
# fallback, and the format tool run through pkexec. Included from ui/qt/CMakeLists.txt.
add_library(zt_volumes STATIC ${CMAKE_CURRENT_LIST_DIR}/UDisksVolumes.cpp)
target_include_directories(zt_volumes PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zt_volumes PUBLIC zt_platform PRIVATE Qt6::Core Qt6::DBus)
