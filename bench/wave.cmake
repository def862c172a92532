grain_bench(wave_bench wave)
