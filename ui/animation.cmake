# The progress animation: the indicator, its pacing and the reading of frame delays.
#
# GDI+ is deliberately not linked here: the product links a delay-loaded import library for it, and
# each executable that links this library chooses how GDI+ is imported (the tests link gdiplus).
add_library(sg731_animation STATIC
  ${CMAKE_CURRENT_LIST_DIR}/AnimationFrameDelays.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AnimationStep.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProgressIndicator.cpp)
target_link_libraries(sg731_animation PUBLIC sg731_options ole32)
