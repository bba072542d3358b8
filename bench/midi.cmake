# Benchmarks of the MIDI layer: receive throughput, paced-send accuracy and the wait
# of a note played during a bank send.
toneloom_add_benchmark(bench_midi SOURCES midi/bench_midi.cpp LIBS toneloom_midi)
# The MIDI monitor's and the traffic log's share of a whole bank's transfer.
toneloom_add_benchmark(bench_miditraffic SOURCES midi/bench_miditraffic.cpp LIBS toneloom_midi)
# Whole transfers of toneloom-cli against toneloom-emulator over JACK, against the line's time.
toneloom_add_benchmark(bench_transfer SOURCES midi/bench_transfer.cpp LIBS toneloom_midi)
target_compile_definitions(bench_transfer PRIVATE TONELOOM_BIN_DIR="${TONELOOM_BIN_DIR}")
add_dependencies(bench_transfer toneloom-cli toneloom-emulator)
