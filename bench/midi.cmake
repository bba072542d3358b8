# Benchmarks of the MIDI layer: receive throughput, paced-send accuracy and the wait
# of a note played during a bank send.
toneloom_add_benchmark(bench_midi SOURCES midi/bench_midi.cpp LIBS toneloom_midi)
