# The environment tests, fuzzing and soak runs share (sourced; $here is the
# checkout). Each setting given by the caller stays.
# The sanitizers end a run at the first fault; leaks of the X and OpenGL
# libraries are theirs, ours are still reported.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/tests/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# Mesa's software renderer draws in the calling thread: the same pixels,
# without the worker threads the leak checker would have to stop at exit
# (under load it has crashed doing so).
export LP_NUM_THREADS="${LP_NUM_THREADS:-0}"
# Nor the thread per context that writes Mesa's shader cache, which would
# also leave files in the home directory.
export MESA_SHADER_CACHE_DISABLE="${MESA_SHADER_CACHE_DISABLE:-true}"
