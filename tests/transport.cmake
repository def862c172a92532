grain_test(transport_test transport)
# The demo sounds must load as File... loads them.
target_compile_definitions(transport_test PRIVATE GRAIN_SAMPLES_DIR="${PROJECT_SOURCE_DIR}/samples")
