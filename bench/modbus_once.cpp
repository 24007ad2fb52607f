// The baseline of bench_cli_send: one register read through libmodbus, from start to exit, as
// a one-shot Modbus master on a test stand does it. Usage: modbus_once PORT BAUD
#include <cstdio>
#include <cstdlib>
#include <modbus.h>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    modbus_t* ctx = modbus_new_rtu(argv[1], atoi(argv[2]), 'N', 8, 1);
    if (!ctx || modbus_set_slave(ctx, 1) != 0 || modbus_connect(ctx) != 0) return 3;
    uint16_t registers[2];
    const int read = modbus_read_registers(ctx, 0x26, 2, registers);
    if (read == 2) printf("%u\n", (unsigned)registers[0] << 16 | registers[1]);
    modbus_close(ctx);
    modbus_free(ctx);
    return read == 2 ? 0 : 1;
}
