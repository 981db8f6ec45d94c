# The workbook export's benchmark (see run-libro-bench.sh); built on demand only.
add_executable(libro_bench EXCLUDE_FROM_ALL libro_bench.cpp)
target_link_libraries(libro_bench PRIVATE horalia_timesheets Qt6::Test horalia_benchsupport)
