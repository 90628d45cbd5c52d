# The wizard flow on top of the main window: selection, screens, transfer and its animation.
add_library(sg731_wizard STATIC ${CMAKE_CURRENT_LIST_DIR}/WizardWindow.cpp)
target_link_libraries(sg731_wizard PUBLIC sg731_ui sg731_device sg731_animation)
