<?php
require __DIR__ . '/common.php';
require __DIR__ . '/order_form.php';
require_login();

$errors = [];
if ($_SERVER['REQUEST_METHOD'] === 'POST') {
    check_token();
    $order = read_order($errors);
    if (!$errors) {
        save_order('order', $order);
        header('Location: thanks.php');
        exit;
    }
}
show_order_form('order.php', $errors);
