# The worker's CPU load while it plays: a timed run, not a Google Benchmark.
add_executable(synth_load_bench synth_load_bench.cc)
target_link_libraries(synth_load_bench PRIVATE audio)
