# Benchmarks of the MIDI layer: receive throughput and paced-send accuracy.
toneloom_add_benchmark(bench_midi SOURCES midi/bench_midi.cpp LIBS toneloom_midi)
