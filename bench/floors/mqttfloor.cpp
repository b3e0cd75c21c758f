// The Qt floor for a cue over MQTT: a bare Qt program that reads the broker with libmosquitto
// on Qt's event loop, as tessaryd does, and writes each payload it is sent to the terminal.
// tessary-floor-mqtt PORT TOPIC TERMINAL
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdlib>
#include <fcntl.h>
#include <mosquitto.h>
#include <unistd.h>

namespace {
int terminal = -1;
}

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 4)
        return 64;
    terminal = ::open(argv[3], O_WRONLY | O_NOCTTY);
    mosquitto_lib_init();
    mosquitto *client = mosquitto_new(nullptr, true, argv[2]);
    if (terminal < 0 || !client)
        return 1;
    mosquitto_int_option(client, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_message_callback_set(client, [](mosquitto *, void *, const mosquitto_message *m) {
        (void)!::write(terminal, m->payload, size_t(m->payloadlen));
    });
    mosquitto_connect_callback_set(client, [](mosquitto *c, void *topic, int) {
        mosquitto_subscribe(c, nullptr, static_cast<const char *>(topic), 0);
    });
    if (mosquitto_connect(client, "127.0.0.1", atoi(argv[1]), 30) != MOSQ_ERR_SUCCESS)
        return 1;
    QSocketNotifier readable(mosquitto_socket(client), QSocketNotifier::Read);
    QSocketNotifier writable(mosquitto_socket(client), QSocketNotifier::Write);
    const auto writeWaiting = [&] {
        if (mosquitto_want_write(client))
            mosquitto_loop_write(client, 1);
        writable.setEnabled(mosquitto_want_write(client));
    };
    QObject::connect(&readable, &QSocketNotifier::activated, [&] {
        mosquitto_loop_read(client, 1);
        writeWaiting();
    });
    QObject::connect(&writable, &QSocketNotifier::activated, writeWaiting);
    QTimer keepAlive;
    QObject::connect(&keepAlive, &QTimer::timeout, [client] { mosquitto_loop_misc(client); });
    keepAlive.start(1000);
    writeWaiting();
    return application.exec();
}
