# Tests of the live sound path: the ring writer, the worker loop and the SDL sound ring.
grain_test(stream_out_test audio_core GTest::gmock)
grain_test(synth_thread_test audio_core)
grain_test(sdl_sound_ring_test audio GTest::gmock)
