# Benchmarks of the MIDI layer: receive throughput, paced-send accuracy and the wait
# of a note played during a bank send.
toneloom_add_benchmark(bench_midi SOURCES midi/bench_midi.cpp LIBS toneloom_midi)
# The MIDI monitor's and the traffic log's share of a whole bank's transfer.
toneloom_add_benchmark(bench_miditraffic SOURCES midi/bench_miditraffic.cpp LIBS toneloom_midi)
