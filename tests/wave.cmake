grain_test(wave_file_test wave)
grain_test(wave_reader_test wave)
