# Read by CTest before it runs the tests, which inherit its environment: every test
# draws with Mesa's software renderer, headless unless it starts an X server of its own.
# (A list given to gtest_discover_tests as ENVIRONMENT reaches the tests split apart.)
set(ENV{EGL_PLATFORM} surfaceless)
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{LIBGL_ALWAYS_SOFTWARE} 1)
