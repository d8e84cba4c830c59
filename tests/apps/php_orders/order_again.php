<?php
require __DIR__ . '/common.php';
require __DIR__ . '/order_form.php';
require_login();

$errors = [];
if ($_SERVER['REQUEST_METHOD'] === 'POST') {
    check_token();
    $order = read_order($errors);
    if (!$errors) {
        save_order('order_again', $order);
        $_SESSION['message'] = 'Order saved';
        header('Location: order_again.php');
        exit;
    }
}
$message = $_SESSION['message'] ?? '';
unset($_SESSION['message']);
show_order_form('order_again.php', $errors, $message);
