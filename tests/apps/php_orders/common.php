<?php
// Shared by every page: the orders database (ORDERS_DB), the session with its form token, the
// login check and the page frame. Sessions are files under APP_STATE_DIR, so expire.php can end them.

const USERS = ['operator' => 's3cret-pass'];

$stateDir = getenv('APP_STATE_DIR') ?: sys_get_temp_dir();
@mkdir("$stateDir/sessions", 0700);
session_save_path("$stateDir/sessions");
session_start();

function db(): PDO
{
    static $pdo = null;
    if ($pdo === null) {
        $pdo = new PDO('sqlite:' . (getenv('ORDERS_DB') ?: __DIR__ . '/orders.sqlite3'));
        $pdo->setAttribute(PDO::ATTR_ERRMODE, PDO::ERRMODE_EXCEPTION);
        $pdo->exec(file_get_contents(__DIR__ . '/../orders_schema.sql'));
    }
    return $pdo;
}

function save_order(string $form, array $values): void
{
    $values = ['form' => $form] + $values;
    $columns = implode(', ', array_keys($values));
    $marks = implode(', ', array_fill(0, count($values), '?'));
    db()->prepare("INSERT INTO orders ($columns) VALUES ($marks)")->execute(array_values($values));
}

// The customer name as posted; a message in errors when it is blank or longer than 30 characters.
function read_customer_name(array &$errors): string
{
    $name = trim((string)($_POST['customer_name'] ?? ''));
    if (!preg_match('/^.{1,30}$/su', $name)) {
        $errors[] = 'Customer name is required (at most 30 characters).';
    }
    return $name;
}

function csrf_token(): string
{
    if (empty($_SESSION['token'])) {
        $_SESSION['token'] = bin2hex(random_bytes(16));
    }
    return $_SESSION['token'];
}

function check_token(): void
{
    if (!hash_equals($_SESSION['token'] ?? '', (string)($_POST['token'] ?? ''))) {
        http_response_code(403);
        exit('Invalid form token');
    }
}

function require_login(): void
{
    if (empty($_SESSION['user'])) {
        header('Location: login.php');
        exit;
    }
}

function h(string $text): string
{
    return htmlspecialchars($text, ENT_QUOTES, 'UTF-8');
}

function page_start(string $title): void
{
    echo "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>", h($title), "</title>\n</head>\n<body>\n";
    if (!empty($_SESSION['user'])) {
        echo '<p>Welcome, ', h($_SESSION['user']), "</p>\n";
    }
}

function page_end(): void
{
    echo "</body>\n</html>\n";
}
