# The time-records window's benchmark (see run-timesheets-bench.sh); built on demand only.
add_executable(timesheets_bench EXCLUDE_FROM_ALL timesheets_bench.cpp)
target_link_libraries(timesheets_bench PRIVATE horalia_timesheets Qt6::Test horalia_benchsupport)
