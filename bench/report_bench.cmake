# The report engine's benchmark (see run-reports-bench.sh); built on demand only.
add_executable(report_bench EXCLUDE_FROM_ALL report_bench.cpp)
target_link_libraries(report_bench PRIVATE horalia_reports horalia_timesheetscore horalia_benchsupport)
