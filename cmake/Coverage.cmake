# Instruments every target of the coverage tree with gcc's line and branch counters. The preset
# injects this file after the project() call, so no CMakeLists.txt knows about coverage.
#
# Optimisation is off (a Debug build) so every line the source shows keeps its own counter, and
# counters are updated atomically because the firmware worker and the animation run on their own
# threads. Each test executable writes its counts (.gcda) beside the objects at exit, through the
# absolute object paths gcc embeds; scripts/coverage makes those paths reach the Unix tree under Wine.
include_guard(GLOBAL)
add_compile_options(--coverage -fprofile-update=atomic)
add_link_options(--coverage)
