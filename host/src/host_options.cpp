#include "host/host_options.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "host/login_settings.h"

namespace host {

namespace {

UsageError usage(const QString& text) {
    return UsageError(text.toStdString());
}

/// The first non-empty of an option's value and an environment variable.
QString fromOptionOrEnvironment(const QCommandLineParser& parser, const QCommandLineOption& option,
                                const QProcessEnvironment& environment, const QString& variable) {
    if (parser.isSet(option)) return parser.value(option);
    return environment.value(variable);
}

}  // namespace

std::pair<QString, int> parseServerAddress(const QString& text) {
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    const QString hostName = colon < 0 ? QString() : text.left(colon).trimmed();
    bool ok = false;
    const int port = colon < 0 ? 0 : text.mid(colon + 1).toInt(&ok);
    if (hostName.isEmpty() || !ok || port < 1 || port > 65535) {
        throw usage(QStringLiteral("Servidor \"%1\" inválido: use HOST:PORTA (porta de 1 a 65535).")
                        .arg(text));
    }
    return {hostName, port};
}

QString defaultSettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/apropriacao/host.ini");
}

QString defaultModulesDir(const QString& executableDir) {
    const QDir beside(executableDir);
    QString installed = QDir::cleanPath(beside.filePath(QStringLiteral("../lib/aprop")));
    if (QFileInfo(installed).isDir()) return installed;
    return QDir::cleanPath(executableDir);
}

HostOptions parseHostOptions(const QStringList& arguments, const QProcessEnvironment& environment,
                             const QString& executableDir) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Manutenção da Apropriação"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Mostra esta ajuda."));
    const QCommandLineOption server(QStringLiteral("server"),
                                    QStringLiteral("Servidor de aplicação (ou APROP_SERVER)."),
                                    QStringLiteral("HOST:PORTA"));
    const QCommandLineOption user(QStringLiteral("user"),
                                  QStringLiteral("Código do operador (ou APROP_USER)."),
                                  QStringLiteral("CODIGO"));
    const QCommandLineOption password(
        QStringLiteral("password"),
        QStringLiteral("Senha (prefira APROP_PASSWORD: a linha de comando é visível "
                       "a outros usuários)."),
        QStringLiteral("SENHA"));
    const QCommandLineOption branch(QStringLiteral("branch"),
                                    QStringLiteral("Filial (ou APROP_BRANCH)."),
                                    QStringLiteral("FILIAL"));
    const QCommandLineOption modules(
        QStringLiteral("modules"),
        QStringLiteral("Pasta dos módulos (padrão: ../lib/aprop junto ao programa, se "
                       "existir, senão a pasta do programa)."),
        QStringLiteral("PASTA"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Entra, abre a tela, grava um PNG da janela principal e sai."),
        QStringLiteral("ARQUIVO"));
    const QCommandLineOption script(
        QStringLiteral("script"),
        QStringLiteral("Entra, executa o roteiro de cenário do arquivo contra a tela e "
                       "sai com 0 se todas as expectativas valeram, 1 se não."),
        QStringLiteral("ARQUIVO"));
    const QCommandLineOption settings(
        QStringLiteral("settings"),
        QStringLiteral("Arquivo de configuração (padrão: %1).").arg(defaultSettingsFile()),
        QStringLiteral("ARQUIVO"));
    parser.addOptions(
        {help, server, user, password, branch, modules, screenshot, script, settings});

    if (!parser.parse(arguments)) throw usage(parser.errorText());
    if (parser.isSet(help)) throw HelpRequested(parser.helpText().toStdString());
    if (!parser.positionalArguments().isEmpty()) {
        throw usage(QStringLiteral("Argumento inesperado: %1")
                        .arg(parser.positionalArguments().constFirst()));
    }

    HostOptions options;
    options.settingsFile = parser.isSet(settings) ? parser.value(settings) : defaultSettingsFile();
    const RememberedLogin remembered = readRememberedLogin(options.settingsFile);
    if (!remembered.serverHost.isEmpty() && remembered.serverPort > 0) {
        options.serverHost = remembered.serverHost;
        options.serverPort = remembered.serverPort;
    }
    options.user = remembered.user;
    options.branch = remembered.branch;

    const QString serverText =
        fromOptionOrEnvironment(parser, server, environment, QStringLiteral("APROP_SERVER"));
    if (!serverText.isEmpty())
        std::tie(options.serverHost, options.serverPort) = parseServerAddress(serverText);

    const QString givenUser =
        fromOptionOrEnvironment(parser, user, environment, QStringLiteral("APROP_USER"));
    const QString givenPassword =
        fromOptionOrEnvironment(parser, password, environment, QStringLiteral("APROP_PASSWORD"));
    const QString givenBranch =
        fromOptionOrEnvironment(parser, branch, environment, QStringLiteral("APROP_BRANCH"));
    if (!givenUser.isEmpty()) options.user = givenUser;
    if (!givenBranch.isEmpty()) options.branch = givenBranch;
    options.password = givenPassword;
    options.scripted = !givenUser.isEmpty() && !givenPassword.isEmpty();

    options.modulesDir =
        parser.isSet(modules) ? parser.value(modules) : defaultModulesDir(executableDir);
    options.screenshotFile = parser.value(screenshot);
    if (parser.isSet(screenshot) && options.screenshotFile.isEmpty()) {
        throw usage(QStringLiteral("--screenshot precisa do nome do arquivo."));
    }
    if (!options.screenshotFile.isEmpty() && !options.scripted) {
        throw usage(QStringLiteral(
            "--screenshot entra sem perguntar: dê usuário e senha por opção ou ambiente."));
    }
    options.scriptFile = parser.value(script);
    if (parser.isSet(script) && options.scriptFile.isEmpty()) {
        throw usage(QStringLiteral("--script precisa do nome do arquivo."));
    }
    if (!options.scriptFile.isEmpty() && !options.screenshotFile.isEmpty()) {
        throw usage(QStringLiteral("Use --script ou --screenshot, não os dois."));
    }
    if (!options.scriptFile.isEmpty() && !options.scripted) {
        throw usage(QStringLiteral(
            "--script entra sem perguntar: dê usuário e senha por opção ou ambiente."));
    }
    return options;
}

}  // namespace host
