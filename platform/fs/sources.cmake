target_sources(platform PRIVATE ${CMAKE_CURRENT_LIST_DIR}/AtomicFile.cpp)
