grain_bench(grainrender_bench render)
