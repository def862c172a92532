grain_test(grainrender_test render)
# The end-to-end cases run the built command itself.
add_dependencies(grainrender_test grainrender)
target_compile_definitions(grainrender_test PRIVATE GRAINRENDER_PATH="$<TARGET_FILE:grainrender>")
