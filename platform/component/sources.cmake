# The component layer: objects, dispatch, events, hosting, persistence and
# host-side creation of in-process component libraries.
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Creation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Dispatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ErrorInfo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Events.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Guid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Persistence.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TypeInfo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Variant.cpp
)
target_link_libraries(platform PUBLIC ${CMAKE_DL_LIBS})
